#pragma once
// The save-file dialog as the library asks for it, and the notice that a file chosen
// there was written. Production shows a QFileDialog; the host script and tests install
// a handler that answers from a queue and records the files written.
#include <QString>

class QWidget;

namespace quendarx {

class FileDialogHandler {
public:
    virtual ~FileDialogHandler() = default;
    // The chosen path, or "" when the dialog was cancelled.
    virtual QString getSaveFileName(QWidget* parent, const QString& caption,
                                    const QString& proposedName, const QString& filter) = 0;
    // The library has written a file (the path it was given by the dialog).
    virtual void fileWritten(const QString& path) { (void)path; }
};

class FileDialogs {
public:
    // Asks where to save: proposedName is the file name (or path) offered, filter a Qt
    // name filter such as "PDF (*.pdf)". Returns "" when the user cancelled.
    static QString getSaveFileName(QWidget* parent, const QString& caption,
                                   const QString& proposedName, const QString& filter);
    // To be called by the library once it has written a file to a path from the dialog.
    static void fileWritten(const QString& path);

    // nullptr restores the Qt dialog. The handler is not owned.
    static void setHandler(FileDialogHandler* handler);
    static FileDialogHandler* handler();
};

// Installs a handler for a scope.
class ScopedFileDialogHandler {
public:
    explicit ScopedFileDialogHandler(FileDialogHandler* h) : previous_(FileDialogs::handler()) {
        FileDialogs::setHandler(h);
    }
    ~ScopedFileDialogHandler() { FileDialogs::setHandler(previous_); }
    ScopedFileDialogHandler(const ScopedFileDialogHandler&) = delete;
    ScopedFileDialogHandler& operator=(const ScopedFileDialogHandler&) = delete;

private:
    FileDialogHandler* previous_;
};

} // namespace quendarx
