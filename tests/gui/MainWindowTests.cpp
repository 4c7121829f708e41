// The real window under QTest: controls and defaults, presets, enabling, keys, history,
// runs over the fake scripting objects, export, clipboard and settings.

#include "app/GridExport.h"
#include "app/window/GridModel.h"
#include "app/window/MainWindow.h"
#include "fakes/FakeWbem.h"

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QDesktopServices>
#include <QFile>
#include <QGroupBox>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QStyle>
#include <QTabWidget>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QUrl>

#include <arpa/inet.h>
#include <memory>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

using namespace tarnwick;
using com::TVariant;
using tarnwick::app::window::TForm1;
using tarnwick::app::window::TForm1Hooks;

namespace {

const char16_t kProcessQuery[] = u"SELECT * FROM Win32_Process\r\n";

fakes::TFakeObjectSpec ProcessRow(const char16_t* handle, std::int32_t threads, const char16_t* name) {
    return fakes::Obj(u"Win32_Process",
                      {fakes::Prop(u"Handle", wmi::wbemCimtypeString, TVariant(handle), {u"KEY"}),
                       fakes::Prop(u"ThreadCount", wmi::wbemCimtypeUint32, TVariant(threads)),
                       fakes::Prop(u"Name", wmi::wbemCimtypeString, TVariant(name))});
}

bool Port135Refuses() {
    int s = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = htons(135);
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    bool open = ::connect(s, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0;
    ::close(s);
    return !open;
}

QByteArray ReadAll(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

} // namespace

// Receives the URLs the window asks the desktop to open.
class TUrlCatcher : public QObject {
    Q_OBJECT
public:
    QList<QUrl> Opened;
public slots:
    void Open(const QUrl& url) { Opened << url; }
};

class MainWindowTest : public QObject {
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> FDir;
    QStringList FErrors;
    QString FSaveName;
    std::unique_ptr<fakes::TFakeWbem> FWbem;

    QString RegistryFile() const { return FDir->filePath(QStringLiteral("registry.reg")); }
    std::unique_ptr<TForm1> MakeForm() {
        TForm1Hooks hooks;
        hooks.ShowError = [this](QWidget*, const QString& m) { FErrors << m; };
        hooks.AskSaveFileName = [this](QWidget*) { return FSaveName; };
        return std::make_unique<TForm1>(hooks);
    }
    void WriteRegistry(const QByteArray& values) {
        QFile f(RegistryFile());
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(
            "Windows Registry Editor Version 5.00\n\n[HKEY_LOCAL_MACHINE\\Software\\Veltrano\\Tarnwick]\n" +
            values);
    }
    void AddProcesses() {
        FWbem->AddQueryResult(kProcessQuery, {ProcessRow(u"1", 4, u"init"), ProcessRow(u"22", 7, u"a;b"),
                                              ProcessRow(u"333", 1, u"say \"hi\"\r\nbye")});
    }
    // Picks a preset by clicking its button.
    static void ClickPreset(TForm1& form, int index) {
        auto* b =
            form.QueryRadioGroup->findChild<QRadioButton*>(QStringLiteral("QueryRadioGroup_%1").arg(index));
        QVERIFY(b);
        b->click();
    }

private slots:
    void init() {
        FDir = std::make_unique<QTemporaryDir>();
        QVERIFY(FDir->isValid());
        qputenv("TARNWICK_REGISTRY_FILE", RegistryFile().toUtf8());
        FErrors.clear();
        FSaveName.clear();
        FWbem = std::make_unique<fakes::TFakeWbem>();
    }
    void cleanup() {
        FWbem.reset();
        FDir.reset();
    }

    void firstStartShowsTheDesignDefaults() {
        auto form = MakeForm();
        QCOMPARE(form->windowTitle(), QStringLiteral("Tarnwick V1.0.0"));
        QVERIFY(form->usedcom->isChecked());
        QVERIFY(!form->usewsman->isChecked());
        QCOMPARE(form->wsmanport->value(), 5985);
        QCOMPARE(form->wsmanport->minimum(), 1);
        QCOMPARE(form->wsmanport->maximum(), 65535);
        QCOMPARE(form->enforcekerberos->currentText(), QStringLiteral("Negotiate"));
        QCOMPARE(form->enforcekerberos->count(), 2);
        QCOMPARE(form->QueryIndex(), 0);
        QCOMPARE(form->QueryMemo->toPlainText(), QStringLiteral("Select * FROM Win32_OperatingSystem"));
        QVERIFY(form->QueryMemo->isReadOnly());
        QCOMPARE(form->CalcIndex(), 1);
        QCOMPARE(form->DomainprefixEdit->text(), QStringLiteral("NTLMDOMAIN:"));
        QCOMPARE(form->NamespaceEdit->text(), QStringLiteral("root\\cimV2"));
        QCOMPARE(form->Passwordedit->echoMode(), QLineEdit::Password);
        QCOMPARE(form->Passwordedit->style()->styleHint(QStyle::SH_LineEdit_PasswordCharacter, nullptr,
                                                        form->Passwordedit),
                 int('*'));
        QVERIFY(form->PortScanCheckBox->isChecked());
        QVERIFY(form->PortScanCheckBox->isEnabled());
        QVERIFY(!form->wsmanport->isEnabled());
        QVERIFY(!form->CancelButton->isEnabled());
        QVERIFY(!form->SaveButton->isEnabled());
        QVERIFY(form->ShowCheckBox->isChecked());
        QVERIFY(!form->ShowCheckBox->isEnabled());
        QVERIFY(form->TestButton->isDefault());
        QCOMPARE(form->PageControl1->count(), 3);
        QCOMPARE(form->PageControl1->tabText(2), QStringLiteral("About"));
        QVERIFY(form->ProductCopyrightLabel->text().startsWith(QStringLiteral("Tarnwick 1.0.0.0")));
        QCOMPARE(form->WebLink->cursor().shape(), Qt::PointingHandCursor);
        for (const char* name : {"Domainedit",
                                 "Hostedit",
                                 "Useredit",
                                 "Passwordedit",
                                 "usewsman",
                                 "wsmanport",
                                 "wsmanssl",
                                 "enforcekerberos",
                                 "usedcom",
                                 "PortScanCheckBox",
                                 "CancelButton",
                                 "ShowCheckBox",
                                 "DurationLabel",
                                 "ResultCountLabel",
                                 "Grid",
                                 "ResultLabel",
                                 "SaveButton",
                                 "DomainprefixEdit",
                                 "NamespaceEdit",
                                 "CalcRadioGroup",
                                 "QueryRadioGroup",
                                 "QueryMemo",
                                 "ProductCopyrightLabel",
                                 "TestButton",
                                 "CloseButton",
                                 "PageControl1"})
            QVERIFY2(form->findChild<QWidget*>(QString::fromLatin1(name)), name);
        form->show();
        QCOMPARE(form->ResultLabel->text(), QStringLiteral("Result"));
        QCOMPARE(form->QueryHistory().History,
                 std::vector<WideString>{u"Select * FROM Win32_OperatingSystem"});
        QVERIFY(FErrors.isEmpty());
    }

    void tabOrderFollowsTheDesign() {
        auto form = MakeForm();
        const QList<QWidget*> expected = {
            form->Domainedit,       form->Hostedit,      form->Useredit,        form->Passwordedit,
            form->CancelButton,     form->Grid,          form->ShowCheckBox,    form->ResultCountLabel,
            form->SaveButton,       form->DurationLabel, form->usewsman,        form->usedcom,
            form->wsmanport,        form->wsmanssl,      form->enforcekerberos, form->PortScanCheckBox,
            form->DomainprefixEdit, form->NamespaceEdit, form->CalcRadioGroup,  form->QueryRadioGroup,
            form->QueryMemo,        form->TestButton,    form->CloseButton};
        QList<QWidget*> chain;
        QWidget* w = form->PageControl1;
        for (int guard = 0; guard < 500 && chain.size() < expected.size(); ++guard) {
            w = w->nextInFocusChain();
            if (expected.contains(w) && !chain.contains(w)) chain << w;
        }
        QCOMPARE(chain, expected);
    }

    void presetsAndCustom() {
        auto form = MakeForm();
        ClickPreset(*form, 3);
        QCOMPARE(form->QueryMemo->toPlainText(),
                 QStringLiteral("SELECT * FROM Win32_PerfFormattedData_PerfOS_Memory"));
        QVERIFY(form->QueryMemo->isReadOnly());
        QColor panel = form->QueryMemo->palette().color(QPalette::Base);
        QCOMPARE(form->ResultLabel->text(),
                 QStringLiteral("Selected Query: SELECT * FROM Win32_PerfFormattedData_PerfOS_Memory"));
        ClickPreset(*form, 6);
        QCOMPARE(form->QueryIndex(), 6);
        QVERIFY(!form->QueryMemo->isReadOnly());
        QCOMPARE(form->QueryMemo->toPlainText(),
                 QStringLiteral("SELECT * FROM Win32_PerfFormattedData_PerfOS_Memory"));
        QVERIFY(form->QueryMemo->palette().color(QPalette::Base) != panel);
        form->PageControl1->setCurrentIndex(1);
        form->QueryMemo->setFocus();
        QTest::keyClicks(form->QueryMemo, " WHERE 1");
        QVERIFY(form->QueryMemo->toPlainText().endsWith(QStringLiteral(" WHERE 1")));
        ClickPreset(*form, 5);
        QCOMPARE(form->QueryMemo->toPlainText(),
                 QStringLiteral("SELECT *  FROM Win32_PerfRawData_Tcpip_NetworkInterface"));
        QVERIFY(form->QueryMemo->isReadOnly());
    }

    void webLinkOpensTheMakersAddress() {
        TUrlCatcher catcher;
        QDesktopServices::setUrlHandler(QStringLiteral("https"), &catcher, "Open");
        auto form = MakeForm();
        emit form->WebLink->linkActivated(QStringLiteral("https://www.veltrano.example/"));
        QDesktopServices::unsetUrlHandler(QStringLiteral("https"));
        QCOMPARE(catcher.Opened, QList<QUrl>{QUrl(QStringLiteral("https://www.veltrano.example/"))});
        QVERIFY(form->WebLink->text().contains(QStringLiteral("href=\"https://www.veltrano.example/\"")));
    }

    void transportControlsFollowTheRadioButtons() {
        auto form = MakeForm();
        form->show();
        form->usewsman->click();
        QVERIFY(!form->usedcom->isChecked());
        QVERIFY(form->wsmanport->isEnabled());
        QVERIFY(form->wsmanssl->isEnabled());
        QVERIFY(form->enforcekerberos->isEnabled());
        QVERIFY(!form->PortScanCheckBox->isEnabled());
        form->usedcom->click();
        QVERIFY(!form->usewsman->isChecked());
        QVERIFY(!form->wsmanport->isEnabled());
        QVERIFY(!form->wsmanssl->isEnabled());
        QVERIFY(!form->enforcekerberos->isEnabled());
        QVERIFY(form->PortScanCheckBox->isEnabled());
    }

    void enterRunsTheTestAndEscapeCloses() {
        AddProcesses();
        auto form = MakeForm();
        form->PortScanCheckBox->setChecked(false);
        ClickPreset(*form, 1);
        form->show();
        QVERIFY(QTest::qWaitForWindowExposed(form.get()));
        form->Hostedit->setFocus();
        QTest::keyClick(form->Hostedit, Qt::Key_Return);
        QCOMPARE(FWbem->QueryCalls.size(), std::size_t(1));
        QCOMPARE(form->ResultCountLabel->text(), QStringLiteral("3"));
        QTest::keyClick(form->Hostedit, Qt::Key_Escape);
        QVERIFY(!form->isVisible());
    }

    void historyWithCtrlUpAndDown() {
        AddProcesses();
        auto form = MakeForm();
        form->PortScanCheckBox->setChecked(false);
        ClickPreset(*form, 1);
        form->show(); // the shown memo text is the first entry
        QCOMPARE(form->QueryHistory().History.size(), std::size_t(1));
        form->TestButton->click();
        QCOMPARE(form->QueryHistory().History.size(), std::size_t(2));
        ClickPreset(*form, 6);
        form->QueryMemo->setPlainText(QStringLiteral("SELECT Name FROM Win32_Process"));
        form->TestButton->click(); // unknown to the fake: an error, still in the history
        FErrors.clear();
        ClickPreset(*form, 0);
        form->PageControl1->setCurrentIndex(1);
        form->QueryMemo->setFocus();
        QTest::keyClick(form->QueryMemo, Qt::Key_Up, Qt::ControlModifier);
        QCOMPARE(form->QueryMemo->toPlainText(), QStringLiteral("SELECT * FROM Win32_Process"));
        QTest::keyClick(form->QueryMemo, Qt::Key_Up, Qt::ControlModifier | Qt::ShiftModifier);
        QCOMPARE(form->QueryMemo->toPlainText(), QStringLiteral("SELECT * FROM Win32_Process"));
        QTest::keyClick(form->QueryMemo, Qt::Key_Up, Qt::ControlModifier);
        QCOMPARE(form->QueryMemo->toPlainText(), QStringLiteral("SELECT * FROM Win32_Process"));
        QTest::keyClick(form->QueryMemo, Qt::Key_Up, Qt::ControlModifier); // the oldest: stays
        QCOMPARE(form->QueryHistory().HistoryIndex, 0);
        QTest::keyClick(form->QueryMemo, Qt::Key_Down, Qt::ControlModifier);
        QTest::keyClick(form->QueryMemo, Qt::Key_Down, Qt::ControlModifier);
        QCOMPARE(form->QueryMemo->toPlainText(), QStringLiteral("SELECT Name FROM Win32_Process"));
        QCOMPARE(form->QueryIndex(), 0); // the preset and read-only state are kept
        QVERIFY(form->QueryMemo->isReadOnly());
        ClickPreset(*form, 6);
        QTest::keyClick(form->QueryMemo, Qt::Key_Up, Qt::ControlModifier);
        QTest::keyClicks(form->QueryMemo, "X"); // the caret sits after the recalled text
        QCOMPARE(form->QueryMemo->toPlainText(), QStringLiteral("SELECT * FROM Win32_ProcessX"));
    }

    void runFillsTheGridAndShowsCountAndDuration() {
        AddProcesses();
        auto form = MakeForm();
        form->PortScanCheckBox->setChecked(false);
        ClickPreset(*form, 1);
        form->DurationLabel->setText(QStringLiteral("old"));
        form->show();
        form->TestButton->click();
        QVERIFY(FErrors.isEmpty());
        QAbstractItemModel* model = form->Grid->model();
        QCOMPARE(model->rowCount(), 3);
        QCOMPARE(model->columnCount(), 3);
        QCOMPARE(model->headerData(0, Qt::Horizontal).toString(), QStringLiteral("Handle"));
        QCOMPARE(model->data(model->index(1, 2)).toString(), QStringLiteral("a;b"));
        QVERIFY(form->Grid->horizontalHeader()->isVisible());
        QVERIFY(form->Grid->horizontalHeader()->font().bold());
        QCOMPARE(form->Grid->columnWidth(0),
                 2 * form->Grid->fontMetrics().horizontalAdvance(QStringLiteral("Handle")));
        QCOMPARE(form->ResultCountLabel->text(), QStringLiteral("3"));
        bool ok = false;
        form->DurationLabel->text().toLongLong(&ok);
        QVERIFY(ok);
        QCOMPARE(form->ResultLabel->text(), QStringLiteral("Result of: SELECT * FROM Win32_Process"));
        QVERIFY(form->SaveButton->isEnabled());
        QVERIFY(form->TestButton->isEnabled());
        QVERIFY(!form->CancelButton->isEnabled());
        form->PageControl1->setCurrentIndex(1);
        form->PageControl1->setCurrentIndex(0);
        QCOMPARE(form->ResultLabel->text(), QStringLiteral("Selected Query: SELECT * FROM Win32_Process"));
    }

    void stopQueryAndHiddenGridDuringARun() {
        AddProcesses();
        auto form = MakeForm();
        form->PortScanCheckBox->setChecked(false);
        ClickPreset(*form, 1);
        form->show();
        bool runningState = false, labelShown = false;
        QTimer::singleShot(0, form.get(), [&] { // runs in the first message processing of the run
            runningState = form->CancelButton->isEnabled() && !form->TestButton->isEnabled() &&
                           !form->CloseButton->isEnabled() && !form->SaveButton->isEnabled() &&
                           form->ShowCheckBox->isEnabled();
            form->ShowCheckBox->click();
            labelShown = form->CollectingLabel->isVisible() && !form->Grid->isVisible();
            form->CancelButton->click();
        });
        form->TestButton->click();
        QVERIFY(runningState);
        QVERIFY(labelShown);
        QCOMPARE(form->ResultCountLabel->text(), QStringLiteral("1"));
        QCOMPARE(form->Grid->model()->rowCount(), 1);
        QVERIFY(!form->DurationLabel->text().isEmpty());
        QVERIFY(form->Grid->isVisible());
        QVERIFY(!form->CollectingLabel->isVisible());
        QVERIFY(form->ShowCheckBox->isChecked());
        QVERIFY(FErrors.isEmpty());
    }

    void closingDuringARunWaitsForTheRunToEnd() {
        AddProcesses();
        auto form = MakeForm();
        form->PortScanCheckBox->setChecked(false);
        ClickPreset(*form, 1);
        form->show();
        bool stillOpen = false;
        QTimer::singleShot(0, form.get(), [&] {
            form->close(); // the window's own close button: Close is disabled
            stillOpen = form->isVisible();
        });
        form->TestButton->click();
        QVERIFY(stillOpen);
        QVERIFY(!form->isVisible());
        QCOMPARE(form->ResultCountLabel->text(), QStringLiteral("1")); // stopped after the current row
    }

    void errorRowWithAndWithoutTheHint_data() {
        QTest::addColumn<QString>("nameSpace");
        QTest::addColumn<bool>("hint");
        QTest::newRow("default") << QStringLiteral("root\\cimV2") << false;
        QTest::newRow("capitals") << QStringLiteral("ROOT\\CIMV2") << false;
        QTest::newRow("other") << QStringLiteral("root\\nothere") << true;
        QTest::newRow("leading blank") << QStringLiteral(" root\\cimv2") << true;
    }
    void errorRowWithAndWithoutTheHint() {
        QFETCH(QString, nameSpace);
        QFETCH(bool, hint);
        FWbem->ConnectResult = com::HRESULT(0x8004100E);
        auto form = MakeForm();
        form->PortScanCheckBox->setChecked(false);
        form->NamespaceEdit->setText(nameSpace);
        form->DurationLabel->setText(QStringLiteral("42"));
        form->TestButton->click();
        QCOMPARE(FErrors.size(), 1);
        QVERIFY(
            FErrors[0].startsWith(QStringLiteral("8004100E: The namespace specified could not be found.")));
        QCOMPARE(FErrors[0].contains(QStringLiteral("\n\r\n\rHint: the configured namespace")), hint);
        QAbstractItemModel* model = form->Grid->model();
        QCOMPARE(model->rowCount(), 2);
        QCOMPARE(model->data(model->index(0, 0)).toString(), QString());
        QVERIFY(model->data(model->index(1, 0)).toString().startsWith(QStringLiteral("Error: 8004100E")));
        QCOMPARE(form->DurationLabel->text(), QStringLiteral("42"));
        QVERIFY(form->TestButton->isEnabled());
        QVERIFY(form->SaveButton->isEnabled());
    }

    void portCheckAgainstARefusedLoopbackPort() {
        if (!Port135Refuses()) QSKIP("port 135 is open on this machine");
        AddProcesses();
        auto form = MakeForm();
        form->PortScanCheckBox->setChecked(true);
        form->Hostedit->setText(QStringLiteral("127.0.0.1"));
        ClickPreset(*form, 1);
        form->TestButton->click();
        QCOMPARE(FErrors.size(), 1);
        QCOMPARE(FErrors[0], QStringLiteral("Port Error on Port 135: RPC Server not accessible "));
        QCOMPARE(form->Grid->model()->data(form->Grid->model()->index(1, 0)).toString(),
                 QStringLiteral("Error: Port Error on Port 135: RPC Server not accessible "));
        QVERIFY(FWbem->ConnectCalls.empty());
    }

    void closingAfterARunWithLongFieldNames() {
        // Names too long for a short string's inline buffer. The second run leaves the
        // header's size hint to be computed again, which hiding the shown window on its
        // destruction does: it must not read the names from the grid after the grid is gone.
        FWbem->AddQueryResult(
            kProcessQuery,
            {fakes::Obj(u"Win32_Process",
                        {fakes::Prop(u"ExecutablePathOfTheProcess", wmi::wbemCimtypeString,
                                     TVariant(u"C:\\Windows\\System32\\a-rather-long-file-name.exe")),
                         fakes::Prop(u"WorkingSetSizeInBytes", wmi::wbemCimtypeUint32, TVariant(4096))})});
        auto form = MakeForm();
        form->PortScanCheckBox->setChecked(false);
        ClickPreset(*form, 1);
        form->show();
        form->TestButton->click();
        form->TestButton->click();
        QCOMPARE(form->Grid->model()->headerData(0, Qt::Horizontal).toString(),
                 QStringLiteral("ExecutablePathOfTheProcess"));
        form.reset();
        QVERIFY(FErrors.isEmpty());
    }

    void saveWritesTheGridAndCancelWritesNothing() {
        AddProcesses();
        FWbem->FailNextAtRow = 2;
        auto form = MakeForm();
        form->PortScanCheckBox->setChecked(false);
        ClickPreset(*form, 1);
        form->TestButton->click(); // two rows, then an error row
        QCOMPARE(FErrors.size(), 1);
        FSaveName = FDir->filePath(QStringLiteral("out.csv"));
        form->SaveButton->click();
        QByteArray bytes = ReadAll(FSaveName);
        QCOMPARE(bytes, QByteArray::fromStdString(ToUtf8(app::GridToDelimitedText(form->GridData()))));
        QList<QByteArray> lines = bytes.split('\n');
        QCOMPARE(lines[0], QByteArray("Handle;ThreadCount;Name\r"));
        QCOMPARE(lines[2], QByteArray("22;7;\"a;b\"\r"));
        QVERIFY(lines[3].startsWith("Error: "));
        QVERIFY(lines[3].endsWith(";\"\";\"\"\r"));
        FSaveName = FDir->filePath(QStringLiteral("none.csv"));
        FSaveName.clear();
        form->SaveButton->click();
        QVERIFY(!QFile::exists(FDir->filePath(QStringLiteral("none.csv"))));
        FSaveName = FDir->filePath(QStringLiteral("missing/out.csv"));
        form->SaveButton->click();
        QCOMPARE(FErrors.size(), 2); // the write error is shown
    }

    void copyPutsTheSelectionOnTheClipboard() {
        AddProcesses();
        auto form = MakeForm();
        form->PortScanCheckBox->setChecked(false);
        ClickPreset(*form, 1);
        form->show();
        form->TestButton->click();
        QAbstractItemModel* model = form->Grid->model();
        form->Grid->selectionModel()->select(QItemSelection(model->index(0, 0), model->index(1, 1)),
                                             QItemSelectionModel::ClearAndSelect);
        form->Grid->setFocus();
        QTest::keySequence(form->Grid, QKeySequence::Copy);
        QCOMPARE(QGuiApplication::clipboard()->text(), QStringLiteral("1\t4\n22\t7\n"));
    }

    void settingsAreWrittenOnCloseAndReadOnStart() {
        {
            auto form = MakeForm();
            ClickPreset(*form, 6);
            form->QueryMemo->setPlainText(QStringLiteral("SELECT Name\nFROM Win32_Service"));
            form->Hostedit->setText(QStringLiteral(" srv1 "));
            form->Domainedit->setText(QStringLiteral("CORP"));
            form->Useredit->setText(QStringLiteral("alice"));
            form->Passwordedit->setText(QStringLiteral("s3cret"));
            form->NamespaceEdit->setText(QStringLiteral("root\\default"));
            form->usewsman->click();
            form->wsmanport->setValue(5986);
            form->wsmanssl->setChecked(true);
            form->enforcekerberos->setCurrentIndex(1);
        }
        QByteArray text = ReadAll(RegistryFile());
        for (const char* name : {"Selection", "Query", "Domain", "Host", "User", "Domainprefix", "Namespace",
                                 "WsmanPort", "WsmanSsl", "EnforeceKerberos", "UseWSMan"})
            QVERIFY2(text.contains("\"" + QByteArray(name) + "\"="), name);
        QVERIFY(!text.contains("s3cret"));
        QVERIFY(!text.contains("Password"));

        auto form = MakeForm();
        QVERIFY(FErrors.isEmpty());
        QCOMPARE(form->QueryIndex(), 6);
        QVERIFY(!form->QueryMemo->isReadOnly());
        QCOMPARE(form->QueryMemo->toPlainText(), QStringLiteral("SELECT Name\nFROM Win32_Service"));
        QCOMPARE(form->Hostedit->text(), QStringLiteral(" srv1 "));
        QCOMPARE(form->Passwordedit->text(), QString());
        QCOMPARE(form->NamespaceEdit->text(), QStringLiteral("root\\default"));
        QVERIFY(form->usewsman->isChecked());
        QVERIFY(form->wsmanport->isEnabled());
        QCOMPARE(form->wsmanport->value(), 5986);
        QVERIFY(form->wsmanssl->isChecked());
        QCOMPARE(form->enforcekerberos->currentIndex(), 1);
    }

    void storedPresetWithoutQueryTakesThePresetText() {
        WriteRegistry("\"Selection\"=dword:00000002\n");
        auto form = MakeForm();
        QCOMPARE(form->QueryIndex(), 2);
        QCOMPARE(form->QueryMemo->toPlainText(),
                 QStringLiteral("SELECT * FROM Win32_PerfFormattedData_PerfDisk_LogicalDisk"));
        QVERIFY(form->usedcom->isChecked()); // "UseWSMan" absent: DCOM
    }

    void wrongTypeIsReportedOnceAndTheRestRead() {
        WriteRegistry(
            "\"Selection\"=\"three\"\n\"WsmanPort\"=\"x\"\n\"Host\"=\"h\"\n\"UseWSMan\"=dword:00000001\n");
        auto form = MakeForm();
        QCOMPARE(FErrors.size(), 1);
        QVERIFY(FErrors[0].contains(QStringLiteral("'Selection'")));
        QVERIFY(FErrors[0].contains(QStringLiteral("'WsmanPort'")));
        QCOMPARE(form->QueryIndex(), 0);
        QCOMPARE(form->wsmanport->value(), 5985);
        QCOMPARE(form->Hostedit->text(), QStringLiteral("h"));
        QVERIFY(form->usewsman->isChecked());
    }

    void damagedRegistryIsReportedOnceAndKept() {
        QFile f(RegistryFile());
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("this is not a registry file\n");
        f.close();
        {
            auto form = MakeForm();
            QCOMPARE(FErrors.size(), 1);
            QVERIFY(FErrors[0].contains(QStringLiteral("damaged")));
            QVERIFY(form->usedcom->isChecked());
            QCOMPARE(form->QueryMemo->toPlainText(), QStringLiteral("Select * FROM Win32_OperatingSystem"));
            form->Hostedit->setText(QStringLiteral("changed"));
        }
        QCOMPARE(FErrors.size(), 1); // closing says nothing more
        QCOMPARE(ReadAll(RegistryFile()), QByteArray("this is not a registry file\n"));
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
    MainWindowTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "MainWindowTests.moc"
