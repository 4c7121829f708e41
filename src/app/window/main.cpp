#include "app/startup/Platform.h"
#include "app/window/MainWindow.h"

#include <QApplication>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    tarnwick::app::RegisterPlatformBackends();
    tarnwick::app::window::TForm1 form;
    form.show();
    return app.exec();
}
