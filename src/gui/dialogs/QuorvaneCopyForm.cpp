#include "gui/dialogs/QuorvaneCopyForm.h"

#include "ui_QuorvaneCopyForm.h"

#include <QApplication>
#include <QClipboard>
#include <QGuiApplication>
#include <QScreen>

namespace qv {

TFrmQuorvaneCopy::TFrmQuorvaneCopy(QWidget* parent)
    : QDialog(parent), m_ui(std::make_unique<Ui::TFrmQuorvaneCopy>())
{
    m_ui->setupUi(this);
    setObjectName(QStringLiteral("FrmQuorvaneCopy"));
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
    setWindowIcon(QApplication::windowIcon());
    QFont windowFont(QStringLiteral("MS Sans Serif"));
    windowFont.setStyleHint(QFont::SansSerif);
    windowFont.setPixelSize(11);
    setFont(windowFont);
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());

    connect(m_ui->Button2, &QPushButton::clicked, this, &TFrmQuorvaneCopy::Button2Click);
    connect(m_ui->btnClose, &QPushButton::clicked, this, [this] { done(QDialog::Rejected); });
}

TFrmQuorvaneCopy::~TFrmQuorvaneCopy() = default;

QPlainTextEdit* TFrmQuorvaneCopy::Memo1() const
{
    return m_ui->Memo1;
}
QPushButton* TFrmQuorvaneCopy::Button2() const
{
    return m_ui->Button2;
}
QPushButton* TFrmQuorvaneCopy::btnClose() const
{
    return m_ui->btnClose;
}

void TFrmQuorvaneCopy::ShowCodeText(const QString& text)
{
    // The memo keeps lines as blocks; CR LF pairs become block breaks and come back on copying.
    QString shown = text;
    shown.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    shown.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    m_ui->Memo1->setPlainText(shown);
}

QString TFrmQuorvaneCopy::CodeText() const
{
    // The raw text keeps non-breaking spaces (plain text would turn them into blanks); blocks
    // are separated by paragraph separators.
    QString text = m_ui->Memo1->document()->toRawText();
    text.replace(QChar::ParagraphSeparator, QStringLiteral("\r\n"));
    return text;
}

void TFrmQuorvaneCopy::Button2Click()
{
    // The text is taken from the document, not through a selection: selecting it all and back
    // would scroll the memo to the end and then to the caret, away from where the user was.
    QGuiApplication::clipboard()->setText(CodeText());
}

} // namespace qv
