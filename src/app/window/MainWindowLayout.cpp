// The window's three pages and its tab order.

#include "app/Presets.h"
#include "app/window/GridModel.h"
#include "app/window/MainWindow.h"
#include "app/window/WindowHelpers.h"

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

namespace tarnwick::app::window {

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

} // namespace tarnwick::app::window
