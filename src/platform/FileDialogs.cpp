#include "platform/FileDialogs.h"
#include <QFileDialog>
#include <QFileIconProvider>
#include <QFileInfo>
#include <QMimeDatabase>
#include <atomic>

namespace quendarx {

namespace {
std::atomic<FileDialogHandler*> g_handler{nullptr};

// Icons and type names from a file's name alone: nothing listed is ever opened.
class NameOnlyIconProvider final : public QFileIconProvider {
public:
    using QFileIconProvider::icon;
    QIcon icon(const QFileInfo& info) const override {
        return icon(info.isDir() ? QAbstractFileIconProvider::Folder : QAbstractFileIconProvider::File);
    }
    QString type(const QFileInfo& info) const override {
        if (info.isDir())
            return QFileIconProvider::type(info); // "Folder", from the name alone as well
        const QMimeType mime = QMimeDatabase().mimeTypeForFile(info.fileName(), QMimeDatabase::MatchExtension);
        return mime.isDefault() ? QFileIconProvider::type(QFileInfo()) : mime.comment();
    }
};

// Qt's own dialog (a platform theme's chooser would run outside the library's care for
// the files it lists), with the name-only provider.
QString runDialog(QWidget* parent, const QString& caption, const QString& start, const QString& filter,
                  QFileDialog::AcceptMode mode) {
    NameOnlyIconProvider provider;
    QFileDialog dialog(parent, caption, start, filter);
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setIconProvider(&provider);
    dialog.setAcceptMode(mode);
    dialog.setFileMode(mode == QFileDialog::AcceptSave ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    if (dialog.exec() != QDialog::Accepted)
        return {};
    const QStringList files = dialog.selectedFiles();
    return files.isEmpty() ? QString() : files.front();
}
} // namespace

QString FileDialogs::getSaveFileName(QWidget* parent, const QString& caption, const QString& proposedName,
                                     const QString& filter) {
    if (FileDialogHandler* h = g_handler.load())
        return h->getSaveFileName(parent, caption, proposedName, filter);
    return runDialog(parent, caption, proposedName, filter, QFileDialog::AcceptSave);
}

QString FileDialogs::getOpenFileName(QWidget* parent, const QString& caption, const QString& directory,
                                     const QString& filter) {
    return runDialog(parent, caption, directory, filter, QFileDialog::AcceptOpen);
}

void FileDialogs::fileWritten(const QString& path) {
    if (FileDialogHandler* h = g_handler.load())
        h->fileWritten(path);
}

void FileDialogs::setHandler(FileDialogHandler* handler) { g_handler.store(handler); }

FileDialogHandler* FileDialogs::handler() { return g_handler.load(); }

} // namespace quendarx
