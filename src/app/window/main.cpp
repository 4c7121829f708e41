#include "app/startup/Platform.h"
#include "app/window/MainWindow.h"

#include <QApplication>
#include <QPixmap>
#include <QStringList>
#include <QTimer>

#include <cstdio>

// tarnwick [--screenshot FILE.png]: with --screenshot the window is rendered to the
// file once it is shown (also offscreen) and the program ends without writing settings
// other than its own.
int main(int argc, char** argv) {
    QApplication app(argc, argv);
    tarnwick::app::RegisterPlatformBackends();
    QStringList args = QApplication::arguments();
    qsizetype shot = args.indexOf(QStringLiteral("--screenshot"));
    if (shot >= 0 && shot + 1 >= args.size()) {
        std::fprintf(stderr, "tarnwick: --screenshot needs a file name\n");
        return 2;
    }
    tarnwick::app::window::TForm1 form;
    form.show();
    if (shot >= 0) {
        QString file = args[shot + 1];
        int code = 0;
        QTimer::singleShot(200, &form, [&] {
            if (!form.grab().save(file)) {
                std::fprintf(stderr, "tarnwick: cannot write %s\n", qPrintable(file));
                code = 1;
            }
            form.close();
        });
        app.exec();
        return code;
    }
    return app.exec();
}
