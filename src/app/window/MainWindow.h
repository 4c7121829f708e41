#pragma once
// TForm1: the tester's one window. It gathers the inputs of a test run, starts and
// stops it (TTestRun), shows the result grid with the row count and the duration,
// saves and copies the results and keeps its settings in the registry.

#include "app/QueryHistory.h"
#include "app/StringGrid.h"
#include "app/TestRun.h"

#include <QWidget>

#include <functional>
#include <memory>

class QButtonGroup;
class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QRadioButton;
class QSpinBox;
class QTabWidget;
class QTableView;

namespace tarnwick::registry {
class TRegistry;
}

namespace tarnwick::app::window {

class TGridModel;

// What the window asks of the desktop; tests replace both.
struct TForm1Hooks {
    // The standard error box.
    std::function<void(QWidget* parent, const QString& message)> ShowError;
    // The save-file dialog: a file name, or empty when the user cancels.
    std::function<QString(QWidget* parent)> AskSaveFileName;
};

class TForm1 : public QWidget, private ITestRunView {
    Q_OBJECT
public:
    explicit TForm1(TForm1Hooks hooks = {}, QWidget* parent = nullptr);
    ~TForm1() override; // writes the settings

    // Controls, by the names the window gives them (also their objectName).
    QTabWidget* PageControl1;
    QLineEdit *Domainedit, *Hostedit, *Useredit, *Passwordedit;
    QRadioButton *usewsman, *usedcom;
    QSpinBox* wsmanport;
    QCheckBox* wsmanssl;
    QComboBox* enforcekerberos;
    QCheckBox* PortScanCheckBox;
    QPushButton* CancelButton;
    QCheckBox* ShowCheckBox;
    QLineEdit *DurationLabel, *ResultCountLabel;
    QLabel* CollectingLabel;
    QTableView* Grid;
    QLabel* ResultLabel;
    QPushButton* SaveButton;
    QLineEdit *DomainprefixEdit, *NamespaceEdit;
    QGroupBox *CalcRadioGroup, *QueryRadioGroup;
    QPlainTextEdit* QueryMemo;
    QLabel *ProductCopyrightLabel, *WebLink;
    QPushButton *TestButton, *CloseButton;

    // The selected preset, -1 for none; setting it acts as picking it.
    int QueryIndex() const;
    void SetQueryIndex(int index);
    int CalcIndex() const;
    void SetCalcIndex(int index);

    TStringGrid& GridData() { return FGrid; }
    TQueryHistory& QueryHistory() { return FHistory; }
    TTestRun& Run() { return FRun; }
    TGridModel& GridModel() { return *FModel; }

    void UpdateTransportControls();
    void ShowSelectedQuery();
    void AddToHistory();
    // The handlers of "Test!", "Stop Query", the grid check box and "Save Results...".
    void TestButtonClick();
    void CancelButtonClick();
    void ShowCheckBoxClick();
    void SaveButtonClick();
    // Copies the grid's selected range to the clipboard as tab-separated text.
    void CopySelectionToClipboard();

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void BuildBasicPage(QWidget* page);
    void BuildAdvancedPage(QWidget* page);
    void BuildAboutPage(QWidget* page);
    void SetTabOrder();
    void PresetClicked(int index);
    void SetMemoReadOnly(bool readOnly);
    void SetMemoText(const QString& text);
    void SetGridShown(bool shown);
    void ReadSettings();
    void WriteSettings();
    void ReportError(const QString& message);

    // ITestRunView
    TRunInputs RunInputs() override;
    void SetResultCountText(const WideString& text) override;
    void SetDurationText(const WideString& text) override;
    void SetResultLine(const WideString& text) override;
    void ShowBasicPage() override;
    void SetRunningState(bool running) override;
    void ShowGrid() override;
    void ProcessMessages() override;

    TForm1Hooks FHooks;
    std::unique_ptr<registry::TRegistry> reg;
    TStringGrid FGrid;
    TQueryHistory FHistory;
    TTestRun FRun;
    TGridModel* FModel;
    QButtonGroup* FQueryButtons;
    QButtonGroup* FCalcButtons;
    bool FSettingsUnwritable = false;
    bool FCloseAfterRun = false;
    qint64 FLastFlushMs = 0;
};

} // namespace tarnwick::app::window
