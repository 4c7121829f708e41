#include "app/window/MainWindow.h"

#include "app/GridExport.h"
#include "app/Presets.h"
#include "app/Settings.h"
#include "app/window/GridModel.h"
#include "app/window/WindowHelpers.h"
#include "platform/registry/Registry.h"

#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QClipboard>
#include <QCloseEvent>
#include <QComboBox>
#include <QDesktopServices>
#include <QElapsedTimer>
#include <QFileDialog>
#include <QFontMetrics>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QProxyStyle>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QSpinBox>
#include <QTabWidget>
#include <QTableView>
#include <QUrl>
#include <QVBoxLayout>

#ifndef TARNWICK_VERSION
#define TARNWICK_VERSION "0.0.0.0"
#endif

namespace tarnwick::app::window {

namespace {

QElapsedTimer& Clock() {
    static QElapsedTimer timer = [] {
        QElapsedTimer t;
        t.start();
        return t;
    }();
    return timer;
}

} // namespace

TForm1::TForm1(TForm1Hooks hooks, QWidget* parent)
    : QWidget(parent), FHooks(std::move(hooks)), FRun(*this, FGrid, FHistory) {
    if (!FHooks.ShowError)
        FHooks.ShowError = [](QWidget* p, const QString& m) {
            QMessageBox::critical(p, p ? p->windowTitle() : QString(), m);
        };
    if (!FHooks.AskSaveFileName)
        FHooks.AskSaveFileName = [](QWidget* p) {
            QFileDialog dialog(p);
            dialog.setAcceptMode(QFileDialog::AcceptSave);
            dialog.setNameFilters(
                {QStringLiteral("Comma separated (*.csv)"), QStringLiteral("All files (*.*)")});
            dialog.setDefaultSuffix(QStringLiteral("csv"));
            return dialog.exec() == QDialog::Accepted && !dialog.selectedFiles().isEmpty()
                       ? dialog.selectedFiles().first()
                       : QString();
        };
    setObjectName(QStringLiteral("Form1"));
    QFont font(QStringLiteral("Tahoma"));
    font.setPixelSize(11);
    setFont(font);
    resize(784, 592);
    setMinimumSize(800 - 16, 600 - 8); // the client area of the smallest outer 800 x 600

    FGrid.SetTextMeasure(
        [this](const WideString& text) { return Grid->fontMetrics().horizontalAdvance(Q(text)); });

    auto* root = new QVBoxLayout(this);
    PageControl1 = Named(new QTabWidget, "PageControl1");
    auto* basic = new QWidget;
    auto* advanced = new QWidget;
    auto* about = new QWidget;
    PageControl1->addTab(basic, QStringLiteral("Basic"));
    PageControl1->addTab(advanced, QStringLiteral("Advanced"));
    PageControl1->addTab(about, QStringLiteral("About"));
    root->addWidget(PageControl1, 1);
    auto* strip = new QHBoxLayout;
    TestButton = Named(new QPushButton(QStringLiteral("Test!")), "TestButton");
    CloseButton = Named(new QPushButton(QStringLiteral("Close")), "CloseButton");
    TestButton->setDefault(true);
    TestButton->setFixedSize(97, 25);
    CloseButton->setFixedSize(97, 25);
    strip->addSpacing(20);
    strip->addWidget(TestButton);
    strip->addStretch(1);
    strip->addWidget(CloseButton);
    strip->addSpacing(20);
    root->addLayout(strip);

    BuildBasicPage(basic);
    BuildAdvancedPage(advanced);
    BuildAboutPage(about);
    SetTabOrder();

    connect(TestButton, &QPushButton::clicked, this, &TForm1::TestButtonClick);
    connect(CloseButton, &QPushButton::clicked, this, &QWidget::close);
    connect(CancelButton, &QPushButton::clicked, this, &TForm1::CancelButtonClick);
    connect(ShowCheckBox, &QCheckBox::clicked, this, &TForm1::ShowCheckBoxClick);
    connect(SaveButton, &QPushButton::clicked, this, &TForm1::SaveButtonClick);
    connect(usewsman, &QRadioButton::clicked, this, &TForm1::UpdateTransportControls);
    connect(usedcom, &QRadioButton::clicked, this, &TForm1::UpdateTransportControls);
    connect(FQueryButtons, &QButtonGroup::idClicked, this, &TForm1::PresetClicked);
    connect(PageControl1, &QTabWidget::currentChanged, this, [this](int index) {
        if (index == 0) ShowSelectedQuery();
    });

    // The design state (preset 0 checked, the memo's design text, read-only), then the
    // settings over it.
    FQueryButtons->button(0)->setChecked(true);
    SetMemoText(Q(DesignQueryText));
    ReadSettings();
    setWindowTitle(Q(VersionCaption(ProductName, FromUtf8(TARNWICK_VERSION))));
    ProductCopyrightLabel->setText(Q(ProductCopyrightText(ProductName, FromUtf8(TARNWICK_VERSION))));
    FHistory = TQueryHistory();
    UpdateTransportControls();

    if (QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
}

TForm1::~TForm1() {
    WriteSettings();
    // The grid is a member and goes before the child widgets: the view lets go of the
    // model, and the model of the grid, while the grid is still there.
    Grid->setModel(nullptr);
    delete FModel;
}
int TForm1::QueryIndex() const {
    return FQueryButtons->checkedId();
}

void TForm1::SetQueryIndex(int index) {
    if (index < -1) index = -1;
    if (index > CustomPresetIndex) index = CustomPresetIndex;
    if (index == QueryIndex()) return;
    if (index < 0) {
        FQueryButtons->setExclusive(false);
        if (QAbstractButton* b = FQueryButtons->checkedButton()) b->setChecked(false);
        FQueryButtons->setExclusive(true);
    } else {
        FQueryButtons->button(index)->setChecked(true);
    }
    PresetClicked(index);
}

int TForm1::CalcIndex() const {
    return FCalcButtons->checkedId();
}

void TForm1::SetCalcIndex(int index) {
    if (QAbstractButton* b = FCalcButtons->button(index)) b->setChecked(true);
}

void TForm1::PresetClicked(int index) {
    if (index >= 0 && index < CustomPresetIndex) {
        SetMemoText(Q(QueryPresets()[std::size_t(index)].Query));
        SetMemoReadOnly(true);
    } else if (index == CustomPresetIndex) {
        SetMemoReadOnly(false);
    }
    ShowSelectedQuery();
}

void TForm1::SetMemoReadOnly(bool readOnly) {
    QueryMemo->setReadOnly(readOnly);
    QPalette p = QueryMemo->palette();
    p.setColor(QPalette::Base, palette().color(readOnly ? QPalette::Window : QPalette::Base));
    QueryMemo->setPalette(p);
}

void TForm1::SetMemoText(const QString& text) {
    QueryMemo->setPlainText(text);
    QueryMemo->moveCursor(QTextCursor::End); // typing goes after the recalled text
}

void TForm1::UpdateTransportControls() {
    bool wsman = usewsman->isChecked();
    wsmanport->setEnabled(wsman);
    wsmanssl->setEnabled(wsman);
    enforcekerberos->setEnabled(wsman);
    PortScanCheckBox->setEnabled(usedcom->isChecked());
}

void TForm1::ShowSelectedQuery() {
    ResultLabel->setText(QStringLiteral("Selected Query: ") + QueryMemo->toPlainText());
}

void TForm1::AddToHistory() {
    FHistory.AddToHistory(W(QueryMemo->toPlainText()));
}

void TForm1::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (event->spontaneous()) return;
    ShowBasicPage();
    AddToHistory();
    UpdateTransportControls();
}

void TForm1::closeEvent(QCloseEvent* event) {
    if (FRun.Running()) { // the window goes once the current row is done
        FCloseAfterRun = true;
        FRun.Cancel();
        event->ignore();
        return;
    }
    QWidget::closeEvent(event);
}

void TForm1::keyPressEvent(QKeyEvent* event) {
    bool plain = (event->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier;
    if (plain && (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter)) {
        if (TestButton->isEnabled()) TestButton->click();
        return;
    }
    if (plain && event->key() == Qt::Key_Escape) {
        if (CloseButton->isEnabled()) CloseButton->click();
        return;
    }
    QWidget::keyPressEvent(event);
}

bool TForm1::eventFilter(QObject* watched, QEvent* event) {
    if (watched == QueryMemo && event->type() == QEvent::KeyRelease) {
        auto* key = static_cast<QKeyEvent*>(event);
        if ((key->modifiers() & ~Qt::KeypadModifier) == Qt::ControlModifier) {
            std::optional<WideString> entry;
            if (key->key() == Qt::Key_Up)
                entry = FHistory.Older();
            else if (key->key() == Qt::Key_Down)
                entry = FHistory.Newer();
            if (entry) SetMemoText(Q(*entry));
        }
    } else if (watched == Grid && event->type() == QEvent::KeyPress &&
               static_cast<QKeyEvent*>(event)->matches(QKeySequence::Copy)) {
        CopySelectionToClipboard();
        return true;
    }
    return QWidget::eventFilter(watched, event);
}

void TForm1::CopySelectionToClipboard() {
    QItemSelectionModel* selection = Grid->selectionModel();
    if (!selection || !selection->hasSelection()) return;
    int top = INT_MAX, left = INT_MAX, bottom = -1, right = -1;
    for (const QItemSelectionRange& r : selection->selection()) {
        top = std::min(top, r.top());
        left = std::min(left, r.left());
        bottom = std::max(bottom, r.bottom());
        right = std::max(right, r.right());
    }
    WideString text =
        GridRangeToClipboardText(FGrid, left, FModel->GridRow(top), right, FModel->GridRow(bottom));
    QGuiApplication::clipboard()->setText(Q(text));
}

void TForm1::TestButtonClick() {
    if (FRun.Running()) return;
    try {
        FRun.Execute();
    } catch (const ETestRunError& e) {
        FModel->Flush();
        ReportError(Q(e.Message()));
    }
    FModel->Flush();
    if (FCloseAfterRun) {
        FCloseAfterRun = false;
        close();
    }
}

void TForm1::CancelButtonClick() {
    FRun.Cancel();
}

void TForm1::ShowCheckBoxClick() {
    SetGridShown(ShowCheckBox->isChecked());
}

void TForm1::SetGridShown(bool shown) {
    Grid->setVisible(shown);
    CollectingLabel->setVisible(!shown);
}

void TForm1::SaveButtonClick() {
    QString file = FHooks.AskSaveFileName(this);
    if (file.isEmpty()) return;
    try {
        SaveGridToFile(FGrid, file.toStdString());
    } catch (const Exception& e) {
        ReportError(Q(e.Message()));
    }
}

void TForm1::ReportError(const QString& message) {
    FHooks.ShowError(this, message);
}

void TForm1::ReadSettings() {
    reg = std::make_unique<registry::TRegistry>();
    TSettingsReadResult read = ReadWindowSettings(*reg);
    FSettingsUnwritable = read.StoreUnreadable;
    const TWindowSettings& v = read.Values;
    if (v.Selection) SetQueryIndex(*v.Selection);
    if (v.Query) SetMemoText(Q(*v.Query));
    if (v.Domain) Domainedit->setText(Q(*v.Domain));
    if (v.Host) Hostedit->setText(Q(*v.Host));
    if (v.User) Useredit->setText(Q(*v.User));
    if (v.Domainprefix) DomainprefixEdit->setText(Q(*v.Domainprefix));
    if (v.Namespace) NamespaceEdit->setText(Q(*v.Namespace));
    if (v.WsmanPort) wsmanport->setValue(*v.WsmanPort);
    if (v.WsmanSsl) wsmanssl->setChecked(*v.WsmanSsl);
    if (v.EnforeceKerberos && *v.EnforeceKerberos >= 0 && *v.EnforeceKerberos < enforcekerberos->count())
        enforcekerberos->setCurrentIndex(*v.EnforeceKerberos);
    bool wsman = v.UseWSMan.value_or(false);
    usewsman->setChecked(wsman);
    usedcom->setChecked(!wsman);
    UpdateTransportControls();
    if (!read.Errors.empty()) {
        QStringList lines;
        for (const WideString& e : read.Errors)
            lines << Q(e);
        QString text =
            QStringLiteral("The settings could not all be read:\n") + lines.join(QLatin1Char('\n'));
        if (FSettingsUnwritable)
            text += QStringLiteral("\nThe window starts with its design defaults; the settings file is left "
                                   "as it is and will not be written until it is repaired or removed.");
        ReportError(text);
    }
}

void TForm1::WriteSettings() {
    if (!reg || FSettingsUnwritable) return;
    TWindowSettings v;
    v.Selection = QueryIndex();
    v.Query = W(QueryMemo->toPlainText());
    v.Domain = W(Domainedit->text());
    v.Host = W(Hostedit->text());
    v.User = W(Useredit->text());
    v.Domainprefix = W(DomainprefixEdit->text());
    v.Namespace = W(NamespaceEdit->text());
    v.WsmanPort = wsmanport->value();
    v.WsmanSsl = wsmanssl->isChecked();
    v.EnforeceKerberos = enforcekerberos->currentIndex();
    v.UseWSMan = usewsman->isChecked();
    try {
        WriteWindowSettings(*reg, v);
    } catch (const Exception& e) {
        ReportError(Q(e.Message()));
    }
    reg.reset();
}

TRunInputs TForm1::RunInputs() {
    TRunInputs in;
    in.UseDcom = usedcom->isChecked();
    in.PortScan = PortScanCheckBox->isChecked();
    in.Host = W(Hostedit->text());
    in.User = W(Useredit->text());
    in.Password = W(Passwordedit->text());
    in.DomainPrefix = W(DomainprefixEdit->text());
    in.Domain = W(Domainedit->text());
    in.NameSpace = W(NamespaceEdit->text());
    in.WsmanPort = wsmanport->value();
    in.WsmanSsl = wsmanssl->isChecked();
    in.AuthenticationIndex = enforcekerberos->currentIndex();
    in.QueryText = W(QueryMemo->toPlainText());
    in.CalcBase = CalcIndex();
    return in;
}

void TForm1::SetResultCountText(const WideString& text) {
    ResultCountLabel->setText(Q(text));
}

void TForm1::SetDurationText(const WideString& text) {
    DurationLabel->setText(Q(text));
}

void TForm1::SetResultLine(const WideString& text) {
    ResultLabel->setText(Q(text));
}

void TForm1::ShowBasicPage() {
    QSignalBlocker block(PageControl1); // the run sets its own line under the grid
    PageControl1->setCurrentIndex(0);
}

void TForm1::SetRunningState(bool running) {
    CancelButton->setEnabled(running);
    TestButton->setEnabled(!running);
    CloseButton->setEnabled(!running);
    SaveButton->setEnabled(!running);
    ShowCheckBox->setEnabled(running);
}

void TForm1::ShowGrid() {
    SetGridShown(true);
    ShowCheckBox->setChecked(true);
    FModel->Flush();
    Grid->horizontalHeader()->setVisible(FGrid.FixedRows() > 0);
}

void TForm1::ProcessMessages() {
    qint64 now = Clock().elapsed();
    if (now - FLastFlushMs >= 40) { // the view catches up a few times a second
        FLastFlushMs = now;
        FModel->Flush();
        Grid->horizontalHeader()->setVisible(FGrid.FixedRows() > 0);
    }
    QCoreApplication::processEvents();
}

} // namespace tarnwick::app::window
