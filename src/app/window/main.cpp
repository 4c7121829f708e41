#include "app/startup/Platform.h"
#include "app/window/MainWindow.h"

#include <QApplication>
#include <QCheckBox>
#include <QPixmap>
#include <QStringList>
#include <QTemporaryDir>
#include <QTimer>

#include <cstdio>

// tarnwick [--screenshot FILE.png [--run]]: with --screenshot the window starts on its
// design defaults (its settings go to a temporary file, the user's stay untouched), runs
// its query first with --run, is rendered to FILE (also offscreen) and closes.
int main(int argc, char** argv) {
    QApplication app(argc, argv);
    tarnwick::app::TProgramLifetime lifetime;
    QStringList args = QApplication::arguments();
    qsizetype shot = args.indexOf(QStringLiteral("--screenshot"));
    if (shot >= 0 && shot + 1 >= args.size()) {
        std::fprintf(stderr, "tarnwick: --screenshot needs a file name\n");
        return 2;
    }
    QTemporaryDir settingsDir;
    if (shot >= 0)
        qputenv("TARNWICK_REGISTRY_FILE", settingsDir.filePath(QStringLiteral("registry.reg")).toUtf8());
    tarnwick::app::window::TForm1 form;
    form.show();
    if (shot >= 0) {
        QString file = args[shot + 1];
        int code = 0;
        bool run = args.contains(QStringLiteral("--run"));
        QTimer::singleShot(200, &form, [&] {
            if (run) {
                form.PortScanCheckBox->setChecked(false);
                form.TestButtonClick();
            }
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
