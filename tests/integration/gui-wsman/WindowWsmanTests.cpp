// End to end: the window runs its query over WS-Management against the WinRM emulator
// on loopback (NTLM, sealed HTTP, demo data) and shows the rows and fields the bridge
// makes of the items; a wrong password ends in the access-denied error row.

#include "app/Presets.h"
#include "app/startup/Platform.h"
#include "app/window/GridModel.h"
#include "app/window/MainWindow.h"
#include "integration/wsmanhttp/EmulatorFixture.h"

#include <QApplication>
#include <QCheckBox>
#include <QElapsedTimer>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QSpinBox>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <exception>
#include <memory>

using tarnwick::app::window::TForm1;
using tarnwick::app::window::TForm1Hooks;
namespace tt = tarnwick::testing;

namespace {

constexpr int ServiceCount = 40;
constexpr int ProcessCount = 25;
constexpr int RunBoundMs = 30000;

// Win32_Service as the emulator serves it, in item order, with the item's prefix.
const QStringList ServiceFields = {"p:AcceptPause",
                                   "p:AcceptStop",
                                   "p:Caption",
                                   "p:CheckPoint",
                                   "p:CreationClassName",
                                   "p:Description",
                                   "p:DesktopInteract",
                                   "p:DisplayName",
                                   "p:ErrorControl",
                                   "p:ExitCode",
                                   "p:InstallDate",
                                   "p:Name",
                                   "p:PathName",
                                   "p:ProcessId",
                                   "p:ServiceSpecificExitCode",
                                   "p:ServiceType",
                                   "p:Started",
                                   "p:StartMode",
                                   "p:StartName",
                                   "p:State",
                                   "p:Status",
                                   "p:SystemCreationClassName",
                                   "p:SystemName",
                                   "p:TagId",
                                   "p:WaitHint"};

QStringList Header(const QAbstractItemModel& model) {
    QStringList names;
    for (int c = 0; c < model.columnCount(); ++c)
        names << model.headerData(c, Qt::Horizontal).toString();
    return names;
}

QString Cell(const QAbstractItemModel& model, int row, int col) {
    return model.data(model.index(row, col)).toString();
}

} // namespace

class WindowWsmanTest : public QObject {
    Q_OBJECT

    std::unique_ptr<tt::TTempDir> FKerberosDir;
    std::unique_ptr<tt::TEmulator> FEmulator;
    std::unique_ptr<QTemporaryDir> FRegistryDir;
    QStringList FErrors;

    std::unique_ptr<TForm1> MakeForm() {
        TForm1Hooks hooks;
        hooks.ShowError = [this](QWidget*, const QString& m) { FErrors << m; };
        hooks.AskSaveFileName = [](QWidget*) { return QString(); };
        return std::make_unique<TForm1>(hooks);
    }

    // Fills the controls as a user would: WS-Management to [::1]:port as CORP\alice.
    void Prepare(TForm1& form, const QString& password, const QString& query) {
        form.usewsman->click();
        QVERIFY(form.wsmanport->isEnabled());
        form.PortScanCheckBox->setChecked(false);
        // The bridge takes an empty host, 127.0.0.1 and localhost for the local session.
        form.Hostedit->setText(QStringLiteral("::1"));
        form.wsmanport->setValue(FEmulator->Port());
        form.Domainedit->setText(QStringLiteral("CORP"));
        form.Useredit->setText(QStringLiteral("alice"));
        form.Passwordedit->setText(password);
        form.SetQueryIndex(tarnwick::app::CustomPresetIndex);
        form.QueryMemo->setPlainText(query);
    }

    // Clicks "Test!" from the event loop and waits, bounded, until the run is over.
    void RunAndWait(TForm1& form) {
        auto done = std::make_shared<bool>(false);
        QElapsedTimer clock;
        clock.start();
        QTimer::singleShot(0, &form, [&form, done] {
            form.TestButton->click();
            *done = true;
        });
        QTRY_VERIFY_WITH_TIMEOUT(*done, RunBoundMs);
        QVERIFY2(clock.elapsed() < RunBoundMs, "the run took longer than its bound");
        QVERIFY(!form.Run().Running());
        QVERIFY(form.TestButton->isEnabled());
        QVERIFY(!form.CancelButton->isEnabled());
    }

private slots:
    void initTestCase() {
        tarnwick::app::RegisterPlatformBackends();
        // Each request of the client is bounded well below the test's own bound.
        qputenv("TARNWICK_WINRM_CONNECT_TIMEOUT_MS", "5000");
        qputenv("TARNWICK_WINRM_OPERATION_TIMEOUT_MS", "8000");
        qputenv("TARNWICK_WINRM_TIMEOUT_MARGIN_MS", "4000");
        FKerberosDir = std::make_unique<tt::TTempDir>();
        tt::UseEmptyKerberosConfig(*FKerberosDir); // Negotiate goes to NTLM at once
        try {
            FEmulator = std::make_unique<tt::TEmulator>(
                std::vector<std::string>{"--bind", "::1", "--services", std::to_string(ServiceCount),
                                         "--processes", std::to_string(ProcessCount)});
        } catch (const std::exception& e) {
            QFAIL(e.what());
        }
    }
    void cleanupTestCase() {
        FEmulator.reset(); // stops the emulator's process group
        FKerberosDir.reset();
    }
    void init() {
        FRegistryDir = std::make_unique<QTemporaryDir>();
        QVERIFY(FRegistryDir->isValid());
        qputenv("TARNWICK_REGISTRY_FILE", FRegistryDir->filePath(QStringLiteral("registry.reg")).toUtf8());
        FErrors.clear();
    }
    void cleanup() {
        if (QTest::currentTestFailed() && FEmulator)
            qWarning("emulator stderr: %s", FEmulator->ErrorOutput().c_str());
        FRegistryDir.reset();
    }

    void servicesFillTheGridWithTheItemsFields() {
        auto form = MakeForm();
        Prepare(*form, QString::fromLatin1(tt::TestPassword), QStringLiteral("SELECT * FROM Win32_Service"));
        form->show();
        RunAndWait(*form);
        if (QTest::currentTestFailed()) return;
        QVERIFY2(FErrors.isEmpty(), qPrintable(FErrors.join('\n')));

        const QAbstractItemModel& model = *form->Grid->model();
        QCOMPARE(Header(model), ServiceFields);
        QCOMPARE(model.rowCount(), ServiceCount);
        QCOMPARE(form->GridData().RowCount(), ServiceCount + 1); // the header row and one per item
        QCOMPARE(form->ResultCountLabel->text(), QString::number(ServiceCount));
        bool ok = false;
        form->DurationLabel->text().toLongLong(&ok);
        QVERIFY(ok);
        QCOMPARE(form->ResultLabel->text(), QStringLiteral("Result of: SELECT * FROM Win32_Service"));

        const int name = ServiceFields.indexOf("p:Name");
        const int state = ServiceFields.indexOf("p:State");
        QCOMPARE(Cell(model, 1, name), QStringLiteral("BFE"));
        QCOMPARE(Cell(model, 1, state), QStringLiteral("Running"));
        QCOMPARE(Cell(model, 1, ServiceFields.indexOf("p:DisplayName")),
                 QStringLiteral("Base Filtering Engine"));
        QCOMPARE(Cell(model, ServiceCount - 1, name),
                 QStringLiteral("DemoSvc%1").arg(ServiceCount - 1, 5, 10, QChar('0')));
        // Text that was escaped in the XML comes back as sent; a null stays empty.
        QCOMPARE(Cell(model, 0, ServiceFields.indexOf("p:Description")),
                 QStringLiteral("Demo description of App Readiness & <friends>"));
        QCOMPARE(Cell(model, 0, ServiceFields.indexOf("p:PathName")),
                 QStringLiteral("\"C:\\Program Files\\Demo\\AppReadiness.exe\" -k netsvcs"));
        QCOMPARE(Cell(model, 0, ServiceFields.indexOf("p:InstallDate")), QString());
        QCOMPARE(Cell(model, 1, ServiceFields.indexOf("p:ProcessId")), QStringLiteral("1004"));
        QVERIFY(form->SaveButton->isEnabled());
    }

    void processesShowTheirCreationDates() {
        auto form = MakeForm();
        Prepare(*form, QString::fromLatin1(tt::TestPassword), QStringLiteral("SELECT * FROM Win32_Process"));
        RunAndWait(*form);
        if (QTest::currentTestFailed()) return;
        QVERIFY2(FErrors.isEmpty(), qPrintable(FErrors.join('\n')));

        const QAbstractItemModel& model = *form->Grid->model();
        QCOMPARE(model.rowCount(), ProcessCount);
        const int date = Header(model).indexOf("p:CreationDate");
        const int name = Header(model).indexOf("p:Name");
        QVERIFY2(date >= 0 && name >= 0, qPrintable(Header(model).join(' ')));
        QCOMPARE(Cell(model, 0, name), QStringLiteral("System Idle Process"));
        QCOMPARE(Cell(model, 0, date), QString()); // the idle process has no creation date
        // The instant in UTC, to the millisecond: demo1 is written with Z, demo2 with -07:00.
        QCOMPARE(Cell(model, 1, date), QStringLiteral("2026-03-09 02:58:09.123"));
        QCOMPARE(Cell(model, 2, date), QStringLiteral("2026-03-09 09:58:46.247"));
        const QRegularExpression dateTime(QStringLiteral("^2026-03-\\d\\d \\d\\d:\\d\\d:\\d\\d"));
        for (int row = 1; row < ProcessCount; ++row)
            QVERIFY2(dateTime.match(Cell(model, row, date)).hasMatch(),
                     qPrintable(QStringLiteral("row %1: %2").arg(row).arg(Cell(model, row, date))));
    }

    void wrongPasswordEndsInTheAccessDeniedRow() {
        const QString wrong = QStringLiteral("Not-The-Password-7");
        auto form = MakeForm();
        Prepare(*form, wrong, QStringLiteral("SELECT * FROM Win32_Service"));
        if (QTest::currentTestFailed()) return;
        form->DurationLabel->setText(QStringLiteral("42"));
        RunAndWait(*form);
        if (QTest::currentTestFailed()) return;

        const QAbstractItemModel& model = *form->Grid->model();
        QVERIFY(model.rowCount() >= 1);
        const QString row = Cell(model, model.rowCount() - 1, 0);
        QVERIFY2(row.startsWith(QStringLiteral("Error: Access denied (HTTP 401)")), qPrintable(row));
        QVERIFY2(row.contains(QStringLiteral("CORP\\alice")), qPrintable(row));
        QVERIFY2(row.contains(QStringLiteral("the user name, domain or password is wrong")), qPrintable(row));
        QVERIFY(!row.contains(wrong));
        QCOMPARE(FErrors.size(), 1);
        QCOMPARE(QStringLiteral("Error: ") + FErrors[0], row); // the default namespace: no hint
        QCOMPARE(form->DurationLabel->text(), QStringLiteral("42"));

        // The right password in the same window then works: nothing of the failed
        // session is kept.
        FErrors.clear();
        form->Passwordedit->setText(QString::fromLatin1(tt::TestPassword));
        RunAndWait(*form);
        if (QTest::currentTestFailed()) return;
        QVERIFY2(FErrors.isEmpty(), qPrintable(FErrors.join('\n')));
        QCOMPARE(form->Grid->model()->rowCount(), ServiceCount);
        QCOMPARE(Cell(*form->Grid->model(), 1, ServiceFields.indexOf("p:Name")), QStringLiteral("BFE"));
    }
};

int main(int argc, char** argv) {
    QTemporaryDir runtime; // keeps QStandardPaths quiet
    if (runtime.isValid() && qEnvironmentVariableIsEmpty("XDG_RUNTIME_DIR")) {
        QFile::setPermissions(runtime.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        qputenv("XDG_RUNTIME_DIR", runtime.path().toUtf8());
    }
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    WindowWsmanTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "WindowWsmanTests.moc"
