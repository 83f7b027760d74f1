#pragma once

#include <QDialog>

#include <memory>

class QCheckBox;
class QLabel;
class QPushButton;

namespace Ui {
class TfrmPromptChoice;
}

namespace qv {

// A general prompt with up to three buttons and an optional check box. The caller sets the
// caption, the texts, which controls show and where they stand, runs it modally and reads the
// result and the check box. It sizes itself to fit its visible controls.
class TfrmPromptChoice final : public QDialog
{
    Q_OBJECT

public:
    // The results of the three buttons; closing the window otherwise gives Cancel.
    enum Result { Cancel = 2, Yes = 6, No = 7 };

    explicit TfrmPromptChoice(QWidget* parent = nullptr);
    ~TfrmPromptChoice() override;

    QLabel* lblPrompt() const;
    QCheckBox* chkDontShow() const;
    QPushButton* btnOne() const;
    QPushButton* btnTwo() const;
    QPushButton* btnCancel() const;

    // Fits the window around the visible controls, keeping the 8-pixel border. Runs before the
    // dialog is shown; call it again after moving controls of a shown dialog.
    void FitToControls();

    // Closing by the close box, the system menu or Escape gives Cancel, as the button does.
    void reject() override;

protected:
    void showEvent(QShowEvent* event) override;

private:
    std::unique_ptr<Ui::TfrmPromptChoice> m_ui;
};

} // namespace qv
