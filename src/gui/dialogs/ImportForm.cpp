#include "gui/dialogs/ImportForm.h"

#include "ui_ImportForm.h"

#include "core/site/SiteImport.h"
#include "gui/dialogs/Dialogs.h"
#include "gui/dialogs/PromptChoiceForm.h"

#include <QApplication>
#include <QCheckBox>
#include <QHeaderView>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTreeWidget>

#include <atomic>
#include <mutex>
#include <optional>
#include <vector>

namespace qv {

namespace {

QString FromStd(const std::string& text)
{
    return QString::fromStdString(text);
}

QString Count(std::size_t n)
{
    return QString::number(static_cast<qulonglong>(n));
}

QString Plural(std::size_t n, const char* one, const char* many)
{
    return Count(n) + QLatin1Char(' ') + QLatin1String(n == 1 ? one : many);
}

} // namespace

// What a read on its own thread shares with the dialog, which looks at it a few times a second.
// It outlives the dialog when the dialog goes first.
struct TfrmImport::Read
{
    std::atomic<bool> cancel{false};
    std::atomic<bool> done{false};
    std::atomic<std::uint64_t> received{0};
    std::atomic<std::uint64_t> expected{0};
    std::mutex mutex; // guards what follows
    std::optional<ImportOffer> offer;
    QString error;
};

TfrmImport::TfrmImport(QWidget* parent, const QString& parentText)
    : QDialog(parent), m_ui(std::make_unique<Ui::TfrmImport>())
{
    m_ui->setupUi(this);
    // The main window's font, for which the layout was measured, on every control: under the
    // window's style sheet a dialog's font does not pass on to its controls by itself.
    QFont dialogFont(QStringLiteral("Tahoma"));
    dialogFont.setStyleHint(QFont::SansSerif);
    dialogFont.setPixelSize(11);
    setFont(dialogFont);
    for (QWidget* control : findChildren<QWidget*>())
        control->setFont(dialogFont);
    setObjectName(QStringLiteral("frmImport"));
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
    setFixedSize(size());
    m_ui->barProgress->hide();
    QHeaderView* header = m_ui->lstCandidates->header();
    header->setStretchLastSection(false);
    header->setSectionResizeMode(0, QHeaderView::Stretch);
    header->resizeSection(1, 110);
    header->resizeSection(2, 60);
    header->resizeSection(3, 60);
    m_ui->tvPreview->header()->resizeSection(0, 260);
    m_ui->lblTarget->setText(
        parentText.isNull()
            ? QStringLiteral("The items will be added to the menu as new root items.")
            : QStringLiteral("The items will be added as sub items of \"%1\".").arg(parentText));
    ShowStatus(QStringLiteral("Give the page or sitemap whose navigation to import, then press "
                              "Read."));

    m_poll.setInterval(50);
    connect(&m_poll, &QTimer::timeout, this, &TfrmImport::PollRead);
    connect(m_ui->btnRead, &QPushButton::clicked, this, &TfrmImport::btnReadClick);
    connect(m_ui->txtSource, &QLineEdit::returnPressed, this, [this] {
        if (!IsReading())
            btnReadClick();
    });
    connect(m_ui->btnBrowse, &QPushButton::clicked, this, &TfrmImport::btnBrowseClick);
    connect(m_ui->btnImport, &QPushButton::clicked, this, &TfrmImport::btnImportClick);
    connect(m_ui->btnCancel, &QPushButton::clicked, this, &TfrmImport::reject);
    connect(m_ui->lstCandidates, &QTreeWidget::currentItemChanged, this,
            &TfrmImport::ShowCandidate);
    connect(m_ui->lstCandidates, &QTreeWidget::itemActivated, this, &TfrmImport::btnImportClick);
}

TfrmImport::~TfrmImport()
{
    StopRead();
}

QLineEdit* TfrmImport::txtSource() const
{
    return m_ui->txtSource;
}
QPushButton* TfrmImport::btnBrowse() const
{
    return m_ui->btnBrowse;
}
QPushButton* TfrmImport::btnRead() const
{
    return m_ui->btnRead;
}
QLabel* TfrmImport::lblStatus() const
{
    return m_ui->lblStatus;
}
QProgressBar* TfrmImport::barProgress() const
{
    return m_ui->barProgress;
}
QTreeWidget* TfrmImport::lstCandidates() const
{
    return m_ui->lstCandidates;
}
QTreeWidget* TfrmImport::tvPreview() const
{
    return m_ui->tvPreview;
}
QLabel* TfrmImport::lblTarget() const
{
    return m_ui->lblTarget;
}
QPushButton* TfrmImport::btnImport() const
{
    return m_ui->btnImport;
}
QPushButton* TfrmImport::btnCancel() const
{
    return m_ui->btnCancel;
}

const NavCandidate* TfrmImport::Chosen() const
{
    const int row = m_ui->lstCandidates->indexOfTopLevelItem(m_ui->lstCandidates->currentItem());
    if (!m_offer || row < 0 || static_cast<std::size_t>(row) >= m_offer->candidates.size())
        return nullptr;
    return &m_offer->candidates[static_cast<std::size_t>(row)];
}

void TfrmImport::ShowStatus(const QString& text)
{
    m_ui->lblStatus->setText(text);
}

void TfrmImport::SetReading(bool reading)
{
    m_ui->btnRead->setText(reading ? QStringLiteral("&Stop") : QStringLiteral("&Read"));
    m_ui->barProgress->setVisible(reading);
    m_ui->btnBrowse->setEnabled(!reading);
    m_ui->txtSource->setReadOnly(reading);
    if (reading) {
        m_ui->barProgress->setRange(0, 0);
        m_poll.start();
    } else {
        m_poll.stop();
    }
}

void TfrmImport::btnReadClick()
{
    if (IsReading()) {
        StopRead();
        ShowStatus(QStringLiteral("Reading %1 was stopped.").arg(m_source));
        return;
    }
    StartRead(m_ui->txtSource->text().trimmed());
}

void TfrmImport::StartRead(const QString& source)
{
    StopRead();
    m_offer.reset();
    m_summary.clear();
    m_ui->lstCandidates->clear();
    m_ui->tvPreview->clear();
    m_ui->btnImport->setEnabled(false);
    m_source = source;
    auto read = std::make_shared<Read>();
    m_read = read;
    const std::string what = source.toStdString();
    m_thread = std::thread([read, what] {
        ImportOptions options;
        options.progress = [read](std::uint64_t received, std::uint64_t expected) {
            read->received = received;
            read->expected = expected;
            return !read->cancel;
        };
        try {
            ImportOffer offer = ReadImportSource(what, options);
            const std::lock_guard lock(read->mutex);
            read->offer = std::move(offer);
        } catch (const ImportCancelled&) {
        } catch (const std::exception& error) {
            const std::lock_guard lock(read->mutex);
            read->error = QString::fromStdString(error.what());
        }
        read->done = true;
    });
    SetReading(true);
    ShowStatus(QStringLiteral("Reading %1...").arg(source));
}

void TfrmImport::StopRead()
{
    if (!m_thread.joinable())
        return;
    m_read->cancel = true;
    m_thread.join();
    m_read.reset();
    SetReading(false);
}

void TfrmImport::PollRead()
{
    if (!m_read)
        return;
    if (!m_read->done) {
        const std::uint64_t received = m_read->received;
        const std::uint64_t expected = m_read->expected;
        if (expected > 0) {
            m_ui->barProgress->setRange(0, static_cast<int>(std::min<std::uint64_t>(
                                               expected >> 10, std::uint64_t{1} << 30)));
            m_ui->barProgress->setValue(
                static_cast<int>(std::min<std::uint64_t>(received >> 10, std::uint64_t{1} << 30)));
        }
        if (received > 0)
            ShowStatus(QStringLiteral("Reading %1... %2 KB")
                           .arg(m_source, Count(static_cast<std::size_t>(received >> 10))));
        return;
    }
    m_thread.join();
    const std::shared_ptr<Read> read = std::move(m_read);
    SetReading(false);
    std::optional<ImportOffer> offer;
    QString error;
    {
        const std::lock_guard lock(read->mutex);
        offer = std::move(read->offer);
        error = read->error;
    }
    if (offer)
        ShowOffer(std::move(*offer));
    else
        ShowStatus(error);
}

void TfrmImport::ShowOffer(ImportOffer offer)
{
    m_offer = std::make_unique<ImportOffer>(std::move(offer));
    const std::size_t n = m_offer->candidates.size();
    m_summary = FromStd(m_offer->source) + QStringLiteral(": ") +
                (m_offer->candidates.front().kind == NavCandidate::Kind::Sitemap
                     ? QStringLiteral("a sitemap")
                     : Plural(n, "navigation", "navigations") + QStringLiteral(" found") +
                           (n > 1 ? QStringLiteral("; the largest is chosen") : QString())) +
                QLatin1Char('.');
    for (const std::string& note : m_offer->notes)
        m_summary += QLatin1Char(' ') + FromStd(note);
    for (const NavCandidate& candidate : m_offer->candidates) {
        auto* row = new QTreeWidgetItem(m_ui->lstCandidates);
        row->setText(0, FromStd(candidate.label));
        row->setText(1, QString::fromLatin1(KindName(candidate.kind)));
        row->setText(2, Count(candidate.linkCount));
        row->setText(3, Count(static_cast<std::size_t>(candidate.depth)));
        row->setTextAlignment(2, Qt::AlignRight | Qt::AlignVCenter);
        row->setTextAlignment(3, Qt::AlignRight | Qt::AlignVCenter);
    }
    m_ui->lstCandidates->setCurrentItem(
        m_ui->lstCandidates->topLevelItem(static_cast<int>(m_offer->preselected)));
    m_ui->lstCandidates->setFocus();
    ShowCandidate();
}

void TfrmImport::ShowCandidate()
{
    m_ui->tvPreview->clear();
    const NavCandidate* candidate = Chosen();
    m_ui->btnImport->setEnabled(candidate != nullptr);
    if (candidate == nullptr)
        return;
    QString status = m_summary;
    if (!candidate->scriptLinks.empty()) {
        QStringList texts;
        for (const std::string& text : candidate->scriptLinks)
            texts << FromStd(text);
        status += QLatin1Char(' ') +
                  Plural(candidate->scriptLinks.size(), "link that runs", "links that run") +
                  QStringLiteral(" a script left out: ") + texts.join(QStringLiteral(", ")) +
                  QLatin1Char('.');
    }
    ShowStatus(status);

    // The tree, level by level: the last item shown at each level above the next one.
    std::vector<QTreeWidgetItem*> parents;
    const std::size_t shown = std::min<std::size_t>(candidate->items.size(), kPreviewItems);
    for (std::size_t i = 0; i < shown; ++i) {
        const ImportedItem& item = candidate->items[i];
        parents.resize(std::min(static_cast<std::size_t>(item.level), parents.size()));
        auto* row = parents.empty() ? new QTreeWidgetItem(m_ui->tvPreview)
                                    : new QTreeWidgetItem(parents.back());
        row->setText(0, FromStd(item.text));
        row->setText(1, FromStd(item.link));
        parents.push_back(row);
    }
    if (shown < candidate->items.size()) {
        auto* more = new QTreeWidgetItem(m_ui->tvPreview);
        more->setText(0, QStringLiteral("... and %1 more")
                             .arg(Plural(candidate->items.size() - shown, "item", "items")));
        more->setFlags(Qt::NoItemFlags);
    }
    m_ui->tvPreview->expandAll();
    m_ui->tvPreview->scrollToTop();
}

void TfrmImport::btnBrowseClick()
{
    Dialogs::FileOptions options;
    options.caption = QStringLiteral("Import Navigation");
    options.filter = QStringLiteral("Pages and sitemaps (*.html *.htm *.xhtml *.shtml *.php *.xml "
                                    "*.gz);;All files (*)");
    options.mustExist = true;
    const std::optional<QString> chosen = CurrentDialogs().OpenFileName(this, options);
    if (!chosen)
        return;
    m_ui->txtSource->setText(*chosen);
    StartRead(*chosen);
}

void TfrmImport::btnImportClick()
{
    const NavCandidate* candidate = Chosen();
    if (candidate == nullptr)
        return;
    if (candidate->linkCount > kAskAboveLinks) {
        TfrmPromptChoice ask(this);
        ask.setWindowTitle(QStringLiteral("Import Navigation"));
        ask.lblPrompt()->setText(
            QStringLiteral("This navigation has %1 links, more than %2.\nImport them all?")
                .arg(Count(candidate->linkCount), Count(kAskAboveLinks)));
        ask.btnOne()->setText(QStringLiteral("&Import"));
        ask.btnTwo()->hide();
        ask.btnCancel()->setText(QStringLiteral("Cancel"));
        ask.chkDontShow()->hide();
        ask.FitToControls();
        if (CurrentDialogs().Exec(ask) != TfrmPromptChoice::Yes)
            return;
    }
    accept();
}

void TfrmImport::reject()
{
    StopRead();
    QDialog::reject();
}

} // namespace qv
