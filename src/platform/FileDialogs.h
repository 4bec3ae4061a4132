#pragma once
// The save-file dialog as the library asks for it, and the notice that a file chosen
// there was written. Production shows Qt's own QFileDialog; the host script and tests
// install a handler that answers from a queue and records the files written.
//
// Every file dialog of the library and of its host program judges the files it lists by
// their names only. Qt's default icon provider opens each listed file to guess its type
// from its content, and closing any descriptor of a file releases every POSIX lock the
// process holds on it: a dialog listing the stock's folder would drop the stock's locks
// while the library still has it open, and another program could then checkpoint and
// delete the stock's journal under it.
#include <QString>
#include <functional>

class QWidget;

namespace quendarx {

// What a save-file dialog asks for.
struct SaveFileRequest {
    QString caption;
    QString proposedName; // the file name (or path) offered
    QString filter;       // a Qt name filter such as "PDF (*.pdf)"
    QString suffix;       // "pdf": added to a chosen name that does not end in ".pdf"
    // Why a chosen path may not be written, or "" when it may. Asked of the name as given
    // and with its suffix, before anything else; a refused name is told to the user with
    // this text (an exclamation box) and the dialog stays open for another.
    std::function<QString(const QString& path)> refusal;
};

class FileDialogHandler {
public:
    virtual ~FileDialogHandler() = default;
    // The chosen path, or "" when the dialog was cancelled.
    virtual QString getSaveFileName(QWidget* parent, const QString& caption, const QString& proposedName,
                                    const QString& filter) = 0;
    // The library has written a file (the path it was given by the dialog).
    virtual void fileWritten(const QString& path) { (void)path; }
};

class FileDialogs {
public:
    // Asks where to save. Returns the path to write, with the request's suffix, or "" when
    // the user cancelled. Qt's dialog asks before replacing an existing file and keeps
    // asking while the name is refused; a handler's answer is checked the same way once
    // (a refused answer is told and gives "").
    static QString getSaveFileName(QWidget* parent, const SaveFileRequest& request);
    // Asks for a file to open, with the same care for the files listed. Not replaceable:
    // only the interactive host window asks for one.
    static QString getOpenFileName(QWidget* parent, const QString& caption, const QString& directory,
                                   const QString& filter);
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
