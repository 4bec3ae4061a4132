#pragma once
// What the runner puts in place of the person and the devices: message boxes answered
// from the script, printers that write their pages to the transcript, and a save-file
// dialog answered from the script.
#include "platform/FileDialogs.h"
#include "platform/MessageBoxes.h"
#include "platform/Printers.h"
#include "script/Transcript.h"
#include <deque>
#include <optional>

namespace quendarx::host {

class ScriptMessageBoxes : public MessageBoxHandler {
public:
    explicit ScriptMessageBoxes(Transcript& transcript) : transcript_(transcript) {}
    // Every box writes `MSG STYLE "text"`. A Yes/No box takes the next queued answer and
    // writes `ANSWER Yes|No`; with none queued it writes `UNSCRIPTED MSG` and then
    // `ANSWER No`. Other boxes are acknowledged with OK at once.
    int show(const QString& text, int style) override;
    void queueAnswer(bool yes) { answers_.push_back(yes); }
    std::size_t unusedAnswers() const { return answers_.size(); }

private:
    Transcript& transcript_;
    std::deque<bool> answers_;
};

// The printers the script names (none until it names some). A document writes
// `PRINTER "name"`, each page `PAGE N "font" SIZE`, its lines `| line` and `ENDPAGE`.
class RecordingPrinters : public Printers {
public:
    explicit RecordingPrinters(Transcript& transcript) : transcript_(transcript) {}
    void install(const QStringList& names, const QString& current);

    QStringList deviceNames() const override { return names_; }
    QString currentDeviceName() const override { return current_; }
    void setCurrent(const QString& deviceName) override { current_ = deviceName; }
    void beginDocument() override;
    void setFont(const QString& family, int pointSize) override;
    void print(const QString& pageText) override;
    void endPage() override;
    void endDocument() override;

private:
    void openPage();

    Transcript& transcript_;
    QStringList names_;
    QString current_;
    QString fontFamily_;
    int fontSize_ = 0;
    bool pageOpen_ = false;
    int pagesPrinted_ = 0; // within the run
};

// Save-file dialogs answered from the script's `savefile` queue; files the library
// reports as written are transcribed as `FILE "path"`. A dialog with nothing queued is
// cancelled and writes `UNSCRIPTED SAVEFILE`.
class ScriptFileDialogs : public FileDialogHandler {
public:
    explicit ScriptFileDialogs(Transcript& transcript) : transcript_(transcript) {}
    QString getSaveFileName(QWidget* parent, const QString& caption, const QString& proposedName,
                            const QString& filter) override;
    void fileWritten(const QString& path) override;
    void queue(std::optional<QString> path) { queue_.push_back(std::move(path)); }
    std::size_t unusedAnswers() const { return queue_.size(); }

private:
    Transcript& transcript_;
    std::deque<std::optional<QString>> queue_;
};

} // namespace quendarx::host
