#include "gui/dialogs/PublishForm.h"

#include "ui_PublishForm.h"

#include "gui/dialogs/Dialogs.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QHeaderView>
#include <QProgressDialog>

#include <algorithm>
#include <initializer_list>
#include <map>
#include <memory>

namespace qv {

namespace {

constexpr int kPathRole = Qt::UserRole;
constexpr int kStatusRole = Qt::UserRole + 1;
constexpr int kActionRole = Qt::UserRole + 2;

QString FromStd(const std::string& text)
{
    return QString::fromStdString(text);
}

std::string ToStd(const QString& text)
{
    return text.toStdString();
}

QString StatusText(const PagePlan& page, bool applied)
{
    QString word;
    switch (page.action) {
    case PageAction::Insert:
        word = applied ? QStringLiteral("inserted") : QStringLiteral("insert");
        break;
    case PageAction::Update:
        word = applied ? QStringLiteral("updated") : QStringLiteral("update");
        break;
    case PageAction::Remove:
        word = applied ? QStringLiteral("removed") : QStringLiteral("remove");
        break;
    case PageAction::Unchanged:
        word = QStringLiteral("unchanged");
        break;
    case PageAction::Skip:
        word = applied ? QStringLiteral("skipped") : QStringLiteral("skip");
        break;
    }
    if (!page.reason.empty())
        word += QStringLiteral(": ") + FromStd(page.reason);
    return word;
}

const QString kLeftOut = QStringLiteral("left out");

} // namespace

TfrmPublish::TfrmPublish(PublishSource source, const PublishSettings& settings, QWidget* parent)
    : QDialog(parent), m_ui(std::make_unique<Ui::TfrmPublish>()), m_source(std::move(source)),
      m_leftOut(settings.leftOut)
{
    m_ui->setupUi(this);
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
    std::sort(m_leftOut.begin(), m_leftOut.end());
    m_ui->lstPages->header()->setSectionResizeMode(0, QHeaderView::Interactive);
    m_ui->lstPages->header()->resizeSection(0, 260);
    m_ui->lstPages->header()->setStretchLastSection(true);

    m_ui->txtSiteFolder->setText(FromStd(settings.siteFolder));
    m_ui->txtMenuFolder->setText(settings.menuFolder.empty() ? QString::fromUtf8(kDefaultMenuFolder)
                                                             : FromStd(settings.menuFolder));
    m_ui->txtMenuName->setText(settings.menuName.empty() ? m_source.defaultName
                                                         : FromStd(settings.menuName));

    connect(m_ui->btnBrowse, &QPushButton::clicked, this, &TfrmPublish::btnBrowseClick);
    connect(m_ui->btnPublish, &QPushButton::clicked, this, &TfrmPublish::btnPublishClick);
    connect(m_ui->btnUnpublish, &QPushButton::clicked, this, &TfrmPublish::btnUnpublishClick);
    connect(m_ui->btnClose, &QPushButton::clicked, this, &QDialog::accept);
    for (QLineEdit* box : {m_ui->txtSiteFolder, m_ui->txtMenuFolder, m_ui->txtMenuName})
        connect(box, &QLineEdit::editingFinished, this, &TfrmPublish::FieldEdited);
    connect(m_ui->lstPages, &QTreeWidget::itemChanged, this, [this](QTreeWidgetItem* item) {
        if (m_filling)
            return;
        const std::string path = ToStd(item->data(0, kPathRole).toString());
        const auto at = std::lower_bound(m_leftOut.begin(), m_leftOut.end(), path);
        const bool ticked = item->checkState(0) == Qt::Checked;
        if (ticked && at != m_leftOut.end() && *at == path)
            m_leftOut.erase(at);
        else if (!ticked && (at == m_leftOut.end() || *at != path))
            m_leftOut.insert(at, path);
        m_filling = true;
        item->setText(1, ticked ? item->data(1, kStatusRole).toString() : kLeftOut);
        m_filling = false;
        if (item->data(1, kActionRole).isValid())
            ShowDryRunTotals();
    });

    Refresh();
}

TfrmPublish::~TfrmPublish() = default;

QLineEdit* TfrmPublish::txtSiteFolder() const
{
    return m_ui->txtSiteFolder;
}
QLineEdit* TfrmPublish::txtMenuFolder() const
{
    return m_ui->txtMenuFolder;
}
QLineEdit* TfrmPublish::txtMenuName() const
{
    return m_ui->txtMenuName;
}
QTreeWidget* TfrmPublish::lstPages() const
{
    return m_ui->lstPages;
}
QLabel* TfrmPublish::lblSummary() const
{
    return m_ui->lblSummary;
}
QPushButton* TfrmPublish::btnBrowse() const
{
    return m_ui->btnBrowse;
}
QPushButton* TfrmPublish::btnPublish() const
{
    return m_ui->btnPublish;
}
QPushButton* TfrmPublish::btnUnpublish() const
{
    return m_ui->btnUnpublish;
}
QPushButton* TfrmPublish::btnClose() const
{
    return m_ui->btnClose;
}

PublishSettings TfrmPublish::Settings() const
{
    PublishSettings settings;
    const QString site = m_ui->txtSiteFolder->text().trimmed();
    if (!site.isEmpty())
        settings.siteFolder = ToStd(QDir::cleanPath(QFileInfo(site).absoluteFilePath()));
    settings.menuFolder = ToStd(m_ui->txtMenuFolder->text().trimmed());
    settings.menuName = ToStd(m_ui->txtMenuName->text().trimmed());
    settings.leftOut = m_leftOut;
    return settings;
}

PublishRequest TfrmPublish::Request(bool chosenOnly) const
{
    const PublishSettings settings = Settings();
    PublishRequest request;
    request.siteFolder = settings.siteFolder;
    request.menuFolder = settings.menuFolder;
    request.name = settings.menuName;
    if (chosenOnly) {
        std::vector<std::string> pages;
        for (int i = 0; i < m_ui->lstPages->topLevelItemCount(); ++i) {
            const QTreeWidgetItem* item = m_ui->lstPages->topLevelItem(i);
            if (item->checkState(0) == Qt::Checked)
                pages.push_back(ToStd(item->data(0, kPathRole).toString()));
        }
        request.pages = std::move(pages);
    }
    return request;
}

void TfrmPublish::FieldEdited()
{
    const QString fields = m_ui->txtSiteFolder->text() + QLatin1Char('\n') +
                           m_ui->txtMenuFolder->text() + QLatin1Char('\n') +
                           m_ui->txtMenuName->text();
    if (fields != m_refreshedWith)
        Refresh();
}

void TfrmPublish::Refresh()
{
    m_refreshedWith = m_ui->txtSiteFolder->text() + QLatin1Char('\n') +
                      m_ui->txtMenuFolder->text() + QLatin1Char('\n') + m_ui->txtMenuName->text();
    m_ui->lstPages->clear();
    if (m_ui->txtSiteFolder->text().trimmed().isEmpty()) {
        ShowProblem(QStringLiteral("Choose the site folder: the folder that holds the site's top "
                                   "page."));
        return;
    }
    SetBusy(true);
    try {
        PublishDesign design;
        design.tree = m_source.tree;
        design.code = m_source.code();
        design.dataFolder = m_source.dataFolder;
        const PublishPlan plan = PlanPublish(Request(false), design,
                                             Progress(QStringLiteral("Reading the pages..."), 0));
        ShowPlan(plan, false);
    } catch (const std::exception& failure) {
        ShowProblem(FromStd(failure.what()));
    }
    SetBusy(false);
}

void TfrmPublish::ShowDryRunTotals()
{
    // The totals of the ticked pages, as the dry run found them.
    PublishPlan ticked;
    for (int i = 0; i < m_ui->lstPages->topLevelItemCount(); ++i) {
        const QTreeWidgetItem* item = m_ui->lstPages->topLevelItem(i);
        if (item->checkState(0) != Qt::Checked)
            continue;
        PagePlan page;
        page.action = static_cast<PageAction>(item->data(1, kActionRole).toInt());
        ticked.pages.push_back(std::move(page));
    }
    QString text = FromStd(SummaryLine(ticked, false));
    if (!m_leftOut.empty())
        text += QStringLiteral(" %1 left out.").arg(m_leftOut.size());
    ShowProblem(text);
}

void TfrmPublish::ShowProblem(const QString& text)
{
    m_ui->lblSummary->setText(text);
    const bool listed = m_ui->lstPages->topLevelItemCount() > 0;
    m_ui->btnPublish->setEnabled(listed);
    m_ui->btnUnpublish->setEnabled(listed);
}

void TfrmPublish::ShowPlan(const PublishPlan& plan, bool applied)
{
    m_filling = true;
    if (!applied) {
        // Pages left out that the site no longer has are forgotten.
        std::vector<std::string> leftOut;
        QList<QTreeWidgetItem*> items;
        for (const PagePlan& page : plan.pages) {
            auto* item = new QTreeWidgetItem;
            const QString status = StatusText(page, false);
            const bool out = std::binary_search(m_leftOut.begin(), m_leftOut.end(), page.path);
            if (out)
                leftOut.push_back(page.path);
            item->setData(0, kPathRole, FromStd(page.path));
            item->setText(0, FromStd(page.path));
            item->setData(1, kStatusRole, status);
            item->setData(1, kActionRole, static_cast<int>(page.action));
            item->setText(1, out ? kLeftOut : status);
            item->setToolTip(1, status);
            item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
            item->setCheckState(0, out ? Qt::Unchecked : Qt::Checked);
            items.append(item);
        }
        m_ui->lstPages->addTopLevelItems(items);
        m_leftOut = std::move(leftOut);
    } else {
        std::map<std::string, const PagePlan*> byPath;
        for (const PagePlan& page : plan.pages)
            byPath[page.path] = &page;
        for (int i = 0; i < m_ui->lstPages->topLevelItemCount(); ++i) {
            QTreeWidgetItem* item = m_ui->lstPages->topLevelItem(i);
            const auto found = byPath.find(ToStd(item->data(0, kPathRole).toString()));
            if (found == byPath.end())
                continue;
            const QString status = StatusText(*found->second, true);
            item->setData(1, kStatusRole, status);
            // The dry run's totals no longer hold.
            item->setData(1, kActionRole, QVariant());
            item->setText(1, status);
            item->setToolTip(1, status);
        }
    }
    m_filling = false;
    if (applied)
        ShowProblem(FromStd(SummaryLine(plan, true)));
    else
        ShowDryRunTotals();
}

PublishProgress TfrmPublish::Progress(const QString& label, std::size_t pages)
{
    auto dialog = std::make_shared<std::unique_ptr<QProgressDialog>>();
    return [this, label, pages, dialog](std::size_t done, std::size_t total) {
        if (std::max(pages, total) < static_cast<std::size_t>(kProgressPages))
            return true;
        if (!*dialog) {
            *dialog = std::make_unique<QProgressDialog>(label, QStringLiteral("Cancel"), 0,
                                                        static_cast<int>(total), this);
            (*dialog)->setObjectName(QStringLiteral("dlgProgress"));
            (*dialog)->setWindowTitle(windowTitle());
            (*dialog)->setWindowModality(Qt::WindowModal);
            (*dialog)->setMinimumDuration(0);
            (*dialog)->setAutoClose(false);
            (*dialog)->setAutoReset(false);
        }
        (*dialog)->setMaximum(static_cast<int>(total));
        (*dialog)->setValue(static_cast<int>(done));
        QCoreApplication::processEvents();
        return !(*dialog)->wasCanceled();
    };
}

void TfrmPublish::SetBusy(bool busy)
{
    for (QWidget* control : std::initializer_list<QWidget*>{
             m_ui->txtSiteFolder, m_ui->txtMenuFolder, m_ui->txtMenuName, m_ui->btnBrowse,
             m_ui->lstPages, m_ui->btnPublish, m_ui->btnUnpublish, m_ui->btnClose})
        control->setEnabled(!busy);
    if (!busy) {
        const bool listed = m_ui->lstPages->topLevelItemCount() > 0;
        m_ui->btnPublish->setEnabled(listed);
        m_ui->btnUnpublish->setEnabled(listed);
    }
}

void TfrmPublish::btnBrowseClick()
{
    const QString current = m_ui->txtSiteFolder->text().trimmed();
    const std::optional<QString> chosen = CurrentDialogs().FolderName(
        this, QStringLiteral("Site Folder"), current.isEmpty() ? m_source.initialFolder : current);
    if (!chosen)
        return;
    m_ui->txtSiteFolder->setText(QDir::toNativeSeparators(*chosen));
    FieldEdited();
}

void TfrmPublish::btnPublishClick()
{
    Run(false);
}

void TfrmPublish::btnUnpublishClick()
{
    Run(true);
}

void TfrmPublish::Run(bool takeOut)
{
    FieldEdited();
    const PublishRequest request = Request(true);
    if (request.pages->empty()) {
        m_ui->lblSummary->setText(QStringLiteral("No page is ticked."));
        return;
    }
    SetBusy(true);
    try {
        PublishPlan plan;
        const std::size_t pages = request.pages->size();
        if (takeOut) {
            plan = PlanTakeOut(request, m_source.dataFolder,
                               Progress(QStringLiteral("Reading the pages..."), pages));
        } else {
            PublishDesign design;
            design.tree = m_source.tree;
            design.code = m_source.code();
            design.dataFolder = m_source.dataFolder;
            plan = PlanPublish(request, design,
                               Progress(QStringLiteral("Reading the pages..."), pages));
        }
        ApplyPlan(plan, Progress(QStringLiteral("Writing the pages..."), pages));
        ShowPlan(plan, true);
        if (!plan.failure.empty()) {
            std::size_t written = 0;
            for (const PagePlan& page : plan.pages)
                written += page.written ? 1 : 0;
            CurrentDialogs().Message(
                this,
                QStringLiteral("%1\n\n%2 pages were written; every other page is as it was.")
                    .arg(FromStd(plan.failure))
                    .arg(written),
                windowTitle(), Dialogs::Icon::Warning);
        }
    } catch (const PublishCancelled&) {
        m_ui->lblSummary->setText(QStringLiteral("Cancelled: nothing was written."));
    } catch (const std::exception& failure) {
        m_ui->lblSummary->setText(FromStd(failure.what()));
        CurrentDialogs().Message(this, FromStd(failure.what()), windowTitle(),
                                 Dialogs::Icon::Warning);
    }
    SetBusy(false);
}

} // namespace qv
