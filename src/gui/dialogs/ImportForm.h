#pragma once

#include "core/site/ImportedTree.h"

#include <QDialog>
#include <QString>
#include <QTimer>

#include <memory>
#include <thread>

class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;
class QTreeWidget;

namespace Ui {
class TfrmImport;
}

namespace qv {

struct ImportOffer;

// "Import Navigation": reads a page or a sitemap from a file or an address, lists the
// navigations it offers with a preview of the items each would give, and hands the one chosen
// to the window, which adds its items. Reading runs on a thread of its own, so the window stays
// responsive: the dialog shows how far it got, and "Stop" (or Cancel) ends it.
class TfrmImport final : public QDialog
{
    Q_OBJECT

public:
    // `parentText` is the text of the item the items will go under; a null string when they go
    // in as root items. The dialog says which.
    explicit TfrmImport(QWidget* parent = nullptr, const QString& parentText = QString());
    ~TfrmImport() override;

    // The most items the preview shows; the rest are counted.
    static constexpr int kPreviewItems = 2000;

    QLineEdit* txtSource() const;
    QPushButton* btnBrowse() const;
    QPushButton* btnRead() const;
    QLabel* lblStatus() const;
    QProgressBar* barProgress() const;
    QTreeWidget* lstCandidates() const;
    QTreeWidget* tvPreview() const;
    QLabel* lblTarget() const;
    QPushButton* btnImport() const;
    QPushButton* btnCancel() const;

    // Whether a read is under way.
    bool IsReading() const { return m_thread.joinable(); }
    // The candidate chosen in the list; null when there is none.
    const NavCandidate* Chosen() const;

    // "Read" (or Enter in the source box): reads the source on a thread of its own; while it
    // runs the button says "Stop" and ends it.
    void btnReadClick();
    void btnBrowseClick();
    // Asks first when the chosen tree has more than kAskAboveLinks links; accepts the dialog.
    void btnImportClick();

    void reject() override;

private:
    struct Read;

    void StartRead(const QString& source);
    // Ends a read under way (waiting for its thread, which notices within a second) and
    // forgets it.
    void StopRead();
    void PollRead();
    void ShowOffer(ImportOffer offer);
    void ShowCandidate();
    void ShowStatus(const QString& text);
    void SetReading(bool reading);

    std::unique_ptr<Ui::TfrmImport> m_ui;
    std::shared_ptr<Read> m_read;
    std::thread m_thread;
    QTimer m_poll;
    QString m_source;
    std::unique_ptr<ImportOffer> m_offer;
    QString m_summary; // the status line of the offer read
};

} // namespace qv
