#pragma once

#include "core/project/MenuFile.h"
#include "core/site/SitePublisher.h"

#include <QDialog>
#include <QString>

#include <functional>
#include <memory>
#include <string>

class QLabel;
class QLineEdit;
class QPushButton;
class QTreeWidget;

namespace Ui {
class TfrmPublish;
}

namespace qv {

class MenuTree;

// What the publish dialog publishes: the design and where the program's files are.
struct PublishSource
{
    const MenuTree* tree = nullptr;
    // Makes the design's code (as Get Code does); may throw what GenerateCode throws.
    std::function<std::string()> code;
    // The program's folder, whose arrow images go beside the script.
    std::string dataFolder;
    // The menu name when the settings give none: the project file's name.
    QString defaultName;
    // Where the folder dialog starts when no site folder is given yet.
    QString initialFolder;
};

// The publish dialog: the site folder, the menu folder and the menu's name; every page of the
// site with a check box and what publishing will do to it (the dry run, done again whenever the
// folders or the name change); then Publish, Unpublish and Close. Work on a large site shows its
// progress and can be cancelled. The settings it ends with (Settings) are what the project file
// keeps: the pages left unticked are the pages left out.
class TfrmPublish final : public QDialog
{
    Q_OBJECT

public:
    TfrmPublish(PublishSource source, const PublishSettings& settings, QWidget* parent = nullptr);
    ~TfrmPublish() override;

    PublishSettings Settings() const;

    // Sites with at least this many pages show a progress dialog while they are read and written.
    static constexpr int kProgressPages = 100;

    QLineEdit* txtSiteFolder() const;
    QLineEdit* txtMenuFolder() const;
    QLineEdit* txtMenuName() const;
    QTreeWidget* lstPages() const;
    QLabel* lblSummary() const;
    QPushButton* btnBrowse() const;
    QPushButton* btnPublish() const;
    QPushButton* btnUnpublish() const;
    QPushButton* btnClose() const;

    // The dry run: lists the site's pages with what publishing would do.
    void Refresh();
    void btnBrowseClick();
    void btnPublishClick();
    void btnUnpublishClick();

private:
    PublishRequest Request(bool chosenOnly) const;
    // Runs a plan and shows its outcome page by page.
    void Run(bool takeOut);
    void ShowPlan(const PublishPlan& plan, bool applied);
    void ShowProblem(const QString& text);
    void ShowDryRunTotals();
    // The progress callback for work on `pages` pages: a cancellable progress dialog on large
    // sites, nothing on small ones.
    PublishProgress Progress(const QString& label, std::size_t pages);
    void SetBusy(bool busy);
    void FieldEdited();

    std::unique_ptr<Ui::TfrmPublish> m_ui;
    PublishSource m_source;
    std::vector<std::string> m_leftOut;
    // The fields as the last dry run saw them, so that leaving an unchanged field does not run it
    // again.
    QString m_refreshedWith;
    bool m_filling = false;
};

} // namespace qv
