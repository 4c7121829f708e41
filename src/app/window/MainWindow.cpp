#include "app/window/MainWindow.h"

#include "app/GridExport.h"
#include "app/Presets.h"
#include "app/Settings.h"
#include "app/window/GridModel.h"
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

QString Q(const WideString& text) {
    return QString::fromStdU16String(text);
}
WideString W(const QString& text) {
    return text.toStdU16String();
}

template <class T> T* Named(T* widget, const char* name) {
    widget->setObjectName(QString::fromLatin1(name));
    return widget;
}

QElapsedTimer& Clock() {
    static QElapsedTimer timer = [] {
        QElapsedTimer t;
        t.start();
        return t;
    }();
    return timer;
}

// A read-only, flat, panel-coloured edit, as the count and duration fields are.
QLineEdit* ReadOnlyField(const char* name) {
    auto* edit = Named(new QLineEdit, name);
    edit->setReadOnly(true);
    edit->setFrame(false);
    QPalette p = edit->palette();
    p.setColor(QPalette::Base, p.color(QPalette::Window));
    edit->setPalette(p);
    return edit;
}

// Shows each character of the password as "*", whatever the desktop style uses.
class TPasswordStyle : public QProxyStyle {
public:
    int styleHint(StyleHint hint, const QStyleOption* option, const QWidget* widget,
                  QStyleHintReturn* returnData) const override {
        if (hint == QStyle::SH_LineEdit_PasswordCharacter) return '*';
        return QProxyStyle::styleHint(hint, option, widget, returnData);
    }
};

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
    FGrid.SetObserver(nullptr);
}

void TForm1::BuildBasicPage(QWidget* page) {
    auto* g = new QGridLayout(page);
    auto labelled = [&](int row, int col, const char* caption, const char* name) {
        g->addWidget(new QLabel(QString::fromUtf8(caption)), row, col);
        auto* edit = Named(new QLineEdit, name);
        g->addWidget(edit, row + 1, col);
        return edit;
    };
    Domainedit = labelled(0, 0, "Domain", "Domainedit");
    Hostedit = labelled(0, 1, "Computer name / IP address", "Hostedit");
    Useredit = labelled(2, 0, "User", "Useredit");
    Passwordedit = labelled(2, 1, "Password", "Passwordedit");
    Passwordedit->setEchoMode(QLineEdit::Password);
    auto* passwordStyle = new TPasswordStyle;
    passwordStyle->setParent(this);
    Passwordedit->setStyle(passwordStyle);

    auto* wsmanRow = new QHBoxLayout;
    usewsman = Named(new QRadioButton(QStringLiteral("Use WSMan:")), "usewsman");
    usewsman->setChecked(true);
    wsmanport = Named(new QSpinBox, "wsmanport");
    wsmanport->setRange(1, 65535);
    wsmanport->setValue(DefaultWsmanPort);
    wsmanport->setFixedWidth(81);
    wsmanssl = Named(new QCheckBox(QStringLiteral("Use SSL")), "wsmanssl");
    enforcekerberos = Named(new QComboBox, "enforcekerberos");
    enforcekerberos->addItems({QStringLiteral("Negotiate"), QStringLiteral("Enforce Kerberos")});
    enforcekerberos->setCurrentIndex(0);
    enforcekerberos->setFixedWidth(145);
    wsmanRow->addWidget(usewsman);
    wsmanRow->addWidget(new QLabel(QStringLiteral("Port ")));
    wsmanRow->addWidget(wsmanport);
    wsmanRow->addWidget(wsmanssl);
    wsmanRow->addWidget(enforcekerberos);
    wsmanRow->addStretch(1);
    g->addLayout(wsmanRow, 4, 0, 1, 2);

    auto* dcomRow = new QHBoxLayout;
    usedcom = Named(new QRadioButton(QStringLiteral("Use DCOM:")), "usedcom");
    PortScanCheckBox = Named(new QCheckBox(QStringLiteral("Initial Portscan")), "PortScanCheckBox");
    PortScanCheckBox->setChecked(true);
    dcomRow->addWidget(usedcom);
    dcomRow->addWidget(PortScanCheckBox);
    dcomRow->addStretch(1);
    g->addLayout(dcomRow, 5, 0, 1, 2);

    auto* runRow = new QHBoxLayout;
    CancelButton = Named(new QPushButton(QStringLiteral("Stop Query")), "CancelButton");
    CancelButton->setEnabled(false);
    CancelButton->setFixedSize(97, 24);
    ShowCheckBox =
        Named(new QCheckBox(QStringLiteral("show result grid (uncheck to accelerate slow queries)")),
              "ShowCheckBox");
    ShowCheckBox->setChecked(true);
    ShowCheckBox->setEnabled(false);
    ShowCheckBox->setMinimumWidth(ShowCheckBox->sizeHint().width()); // the caption is never cut
    DurationLabel = ReadOnlyField("DurationLabel");
    DurationLabel->setFixedWidth(73);
    ResultCountLabel = ReadOnlyField("ResultCountLabel");
    ResultCountLabel->setFixedWidth(83);
    runRow->setSpacing(6);
    runRow->addWidget(CancelButton);
    runRow->addWidget(ShowCheckBox);
    runRow->addStretch(1);
    runRow->addWidget(new QLabel(QStringLiteral("Duration (ms):")));
    runRow->addWidget(DurationLabel);
    runRow->addWidget(new QLabel(QStringLiteral("Result count:")));
    runRow->addWidget(ResultCountLabel);
    g->addLayout(runRow, 6, 0, 1, 2);

    Grid = Named(new QTableView, "Grid");
    FModel = new TGridModel(FGrid, this);
    Grid->setModel(FModel);
    Grid->setSelectionMode(QAbstractItemView::ContiguousSelection);
    Grid->setEditTriggers(QAbstractItemView::NoEditTriggers);
    Grid->verticalHeader()->hide();
    Grid->verticalHeader()->setDefaultSectionSize(Grid->fontMetrics().height() + 6);
    Grid->horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
    Grid->horizontalHeader()->setHighlightSections(false);
    QFont bold = Grid->horizontalHeader()->font();
    bold.setBold(true);
    Grid->horizontalHeader()->setFont(bold);
    Grid->setWordWrap(false);
    Grid->installEventFilter(this);
    connect(FModel, &TGridModel::ColumnWidthChanged, Grid, &QTableView::setColumnWidth);
    CollectingLabel =
        Named(new QLabel(QStringLiteral("Collecting data, please stand by...")), "CollectingLabel");
    CollectingLabel->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    CollectingLabel->setContentsMargins(24, 0, 0, 0);
    CollectingLabel->hide();
    g->addWidget(CollectingLabel, 7, 0, 1, 2);
    g->addWidget(Grid, 7, 0, 1, 2);
    g->setRowStretch(7, 1);
    Grid->horizontalHeader()->setVisible(false);

    auto* bottom = new QHBoxLayout;
    auto* resultStrip = new QFrame;
    resultStrip->setFrameShape(QFrame::Panel);
    resultStrip->setFrameShadow(QFrame::Sunken);
    auto* stripLayout = new QHBoxLayout(resultStrip);
    stripLayout->setContentsMargins(8, 2, 8, 2);
    ResultLabel = Named(new QLabel(QStringLiteral("Result")), "ResultLabel");
    stripLayout->addWidget(ResultLabel, 1);
    SaveButton = Named(new QPushButton(QStringLiteral("Save Results...")), "SaveButton");
    SaveButton->setEnabled(false);
    SaveButton->setFixedSize(97, 24);
    bottom->addWidget(resultStrip, 1);
    bottom->addWidget(SaveButton);
    g->addLayout(bottom, 8, 0, 1, 2);
}

void TForm1::BuildAdvancedPage(QWidget* page) {
    auto* g = new QGridLayout(page);
    g->addWidget(new QLabel(QStringLiteral("Domain prefix (default: NTLMDOMAIN:)")), 0, 0);
    DomainprefixEdit = Named(new QLineEdit(Q(DefaultDomainPrefix)), "DomainprefixEdit");
    g->addWidget(DomainprefixEdit, 1, 0);
    g->addWidget(new QLabel(QStringLiteral("Namespace (default: root\\cimV2)")), 2, 0);
    NamespaceEdit = Named(new QLineEdit(Q(DefaultNamespace)), "NamespaceEdit");
    g->addWidget(NamespaceEdit, 3, 0);

    CalcRadioGroup = Named(new QGroupBox(QStringLiteral("Calculation Base")), "CalcRadioGroup");
    CalcRadioGroup->setFixedWidth(125);
    auto* calcLayout = new QVBoxLayout(CalcRadioGroup);
    FCalcButtons = new QButtonGroup(this);
    const char* calcCaptions[] = {"use integer", "use extended"};
    for (int i = 0; i < 2; ++i) {
        auto* b = new QRadioButton(QString::fromLatin1(calcCaptions[i]));
        b->setObjectName(QStringLiteral("CalcRadioGroup_%1").arg(i));
        FCalcButtons->addButton(b, i);
        calcLayout->addWidget(b);
    }
    SetCalcIndex(1);
    g->addWidget(CalcRadioGroup, 0, 1, 4, 1, Qt::AlignRight | Qt::AlignTop);
    g->setColumnStretch(0, 1);

    QueryRadioGroup = Named(new QGroupBox(QStringLiteral("Query")), "QueryRadioGroup");
    auto* queryLayout = new QVBoxLayout(QueryRadioGroup);
    FQueryButtons = new QButtonGroup(this);
    for (int i = 0; i < int(QueryPresets().size()); ++i) {
        auto* b = new QRadioButton(Q(QueryPresets()[std::size_t(i)].Caption));
        b->setObjectName(QStringLiteral("QueryRadioGroup_%1").arg(i));
        FQueryButtons->addButton(b, i);
        queryLayout->addWidget(b);
    }
    g->addWidget(QueryRadioGroup, 4, 0, 1, 2);

    QueryMemo = Named(new QPlainTextEdit, "QueryMemo");
    QueryMemo->setLineWrapMode(QPlainTextEdit::NoWrap);
    QueryMemo->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    QueryMemo->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    QueryMemo->setTabChangesFocus(true);
    QueryMemo->installEventFilter(this);
    SetMemoReadOnly(true);
    g->addWidget(QueryMemo, 5, 0, 1, 2);
    g->setRowStretch(5, 1);
    g->addWidget(
        new QLabel(QStringLiteral("Note: you can leaf through this session's query history using Strg+Up "
                                  "and Strg+Down if the cursor is inside the edit field above ")),
        6, 0, 1, 2);
}

void TForm1::BuildAboutPage(QWidget* page) {
    auto* v = new QVBoxLayout(page);
    v->setContentsMargins(16, 30, 16, 16);
    ProductCopyrightLabel = Named(new QLabel, "ProductCopyrightLabel");
    v->addWidget(ProductCopyrightLabel);
    v->addSpacing(12);
    v->addWidget(new QLabel(Q(CompanyName)));
    v->addWidget(new QLabel(Q(CompanyAddress)));
    auto* webRow = new QHBoxLayout;
    webRow->addWidget(new QLabel(QStringLiteral("Visit our website: ")));
    WebLink = Named(new QLabel(QStringLiteral("<a href=\"%1\">%1</a>").arg(Q(CompanyWebAddress))), "WebLink");
    WebLink->setTextFormat(Qt::RichText);
    WebLink->setTextInteractionFlags(Qt::LinksAccessibleByMouse);
    WebLink->setOpenExternalLinks(false);
    WebLink->setCursor(Qt::PointingHandCursor);
    connect(WebLink, &QLabel::linkActivated, this,
            [](const QString& url) { QDesktopServices::openUrl(QUrl(url)); });
    webRow->addWidget(WebLink);
    webRow->addStretch(1);
    v->addLayout(webRow);
    v->addStretch(1);
}

void TForm1::SetTabOrder() {
    // The window: pages, "Test!", "Close"; within the pages, the design's order.
    QWidget* basic[] = {Domainedit,   Hostedit,      Useredit,        Passwordedit,
                        CancelButton, Grid,          ShowCheckBox,    ResultCountLabel,
                        SaveButton,   DurationLabel, usewsman,        usedcom,
                        wsmanport,    wsmanssl,      enforcekerberos, PortScanCheckBox};
    QWidget* advanced[] = {DomainprefixEdit, NamespaceEdit, CalcRadioGroup, QueryRadioGroup, QueryMemo};
    QWidget::setTabOrder(PageControl1, basic[0]);
    for (std::size_t i = 0; i + 1 < std::size(basic); ++i)
        QWidget::setTabOrder(basic[i], basic[i + 1]);
    QWidget::setTabOrder(basic[std::size(basic) - 1], advanced[0]);
    for (std::size_t i = 0; i + 1 < std::size(advanced); ++i)
        QWidget::setTabOrder(advanced[i], advanced[i + 1]);
    QWidget::setTabOrder(advanced[std::size(advanced) - 1], TestButton);
    QWidget::setTabOrder(TestButton, CloseButton);
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
