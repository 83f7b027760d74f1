#include "gui/dialogs/PromptChoiceForm.h"

#include "ui_PromptChoiceForm.h"

#include <QGuiApplication>
#include <QScreen>

namespace qv {

namespace {
constexpr int kBorderWidth = 8;
}

TfrmPromptChoice::TfrmPromptChoice(QWidget* parent)
    : QDialog(parent), m_ui(std::make_unique<Ui::TfrmPromptChoice>())
{
    m_ui->setupUi(this);
    setObjectName(QStringLiteral("frmPromptChoice"));
    // A dialog border with the system menu only.
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
    QFont dialogFont(QStringLiteral("Tahoma"));
    dialogFont.setPixelSize(13);
    setFont(dialogFont);
    QFont labelFont(QStringLiteral("Tahoma"));
    labelFont.setPixelSize(11);
    m_ui->lblPrompt->setFont(labelFont);

    connect(m_ui->btnOne, &QPushButton::clicked, this, [this] { done(Yes); });
    connect(m_ui->btnTwo, &QPushButton::clicked, this, [this] { done(No); });
    connect(m_ui->btnCancel, &QPushButton::clicked, this, [this] { done(Cancel); });
}

TfrmPromptChoice::~TfrmPromptChoice() = default;

QLabel* TfrmPromptChoice::lblPrompt() const
{
    return m_ui->lblPrompt;
}
QCheckBox* TfrmPromptChoice::chkDontShow() const
{
    return m_ui->chkDontShow;
}
QPushButton* TfrmPromptChoice::btnOne() const
{
    return m_ui->btnOne;
}
QPushButton* TfrmPromptChoice::btnTwo() const
{
    return m_ui->btnTwo;
}
QPushButton* TfrmPromptChoice::btnCancel() const
{
    return m_ui->btnCancel;
}

void TfrmPromptChoice::FitToControls()
{
    QRect bounds;
    for (QWidget* child : m_ui->content->findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
        if (!child->isHidden())
            bounds = bounds.united(child->geometry());
    const QSize content(bounds.right() + 1, bounds.bottom() + 1);
    m_ui->content->setGeometry(kBorderWidth, kBorderWidth, content.width(), content.height());
    setFixedSize(content.width() + 2 * kBorderWidth, content.height() + 2 * kBorderWidth);
}

void TfrmPromptChoice::reject()
{
    done(Cancel);
}

void TfrmPromptChoice::showEvent(QShowEvent* event)
{
    FitToControls();
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
    QDialog::showEvent(event);
}

} // namespace qv
