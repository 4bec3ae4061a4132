#include "platform/FileDialogs.h"
#include <QFileDialog>
#include <atomic>

namespace quendarx {

namespace {
std::atomic<FileDialogHandler*> g_handler{nullptr};
}

QString FileDialogs::getSaveFileName(QWidget* parent, const QString& caption,
                                     const QString& proposedName, const QString& filter) {
    if (FileDialogHandler* h = g_handler.load())
        return h->getSaveFileName(parent, caption, proposedName, filter);
    return QFileDialog::getSaveFileName(parent, caption, proposedName, filter);
}

void FileDialogs::fileWritten(const QString& path) {
    if (FileDialogHandler* h = g_handler.load())
        h->fileWritten(path);
}

void FileDialogs::setHandler(FileDialogHandler* handler) {
    g_handler.store(handler);
}

FileDialogHandler* FileDialogs::handler() {
    return g_handler.load();
}

} // namespace quendarx
