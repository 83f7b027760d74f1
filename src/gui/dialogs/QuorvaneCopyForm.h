#pragma once

#include <QDialog>
#include <QString>

#include <memory>

class QPlainTextEdit;
class QPushButton;

namespace Ui {
class TFrmQuorvaneCopy;
}

namespace qv {

// The code window: shows the generated code, lets the user edit it, and copies the whole text to
// the clipboard.
class TFrmQuorvaneCopy final : public QDialog
{
    Q_OBJECT

public:
    explicit TFrmQuorvaneCopy(QWidget* parent = nullptr);
    ~TFrmQuorvaneCopy() override;

    // Makes `text` (with CR LF line breaks) the whole content of the memo.
    void ShowCodeText(const QString& text);

    // The memo's whole text with CR LF line breaks, as it goes to the clipboard.
    QString CodeText() const;

    QPlainTextEdit* Memo1() const;
    QPushButton* Button2() const;
    QPushButton* btnClose() const;

    // "Copy to Clipboard": copies the whole text and leaves the selection, the caret and the
    // scroll position as they were.
    void Button2Click();

private:
    std::unique_ptr<Ui::TFrmQuorvaneCopy> m_ui;
};

} // namespace qv
