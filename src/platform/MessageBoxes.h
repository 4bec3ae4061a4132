#pragma once
// Message boxes as the library asks for them: a text and a numeric style (buttons +
// icon + modality). Production shows a QMessageBox; the host script and tests install
// a handler that records the box and answers it.
#include <QString>

namespace quendarx {

enum MsgStyle : int {
    vbOKOnly = 0,
    vbYesNo = 4,
    vbCritical = 16,
    vbQuestion = 32,
    vbExclamation = 48,
    vbInformation = 64,
    vbSystemModal = 4096,
};

enum MsgAnswer : int { vbOK = 1, vbYes = 6, vbNo = 7 };

class MessageBoxHandler {
public:
    virtual ~MessageBoxHandler() = default;
    // Shows a box; returns vbOK, vbYes or vbNo.
    virtual int show(const QString& text, int style) = 0;
};

class MessageBoxes {
public:
    static int show(const QString& text, int style);
    // nullptr restores the Qt message boxes. The handler is not owned.
    static void setHandler(MessageBoxHandler* handler);
    static MessageBoxHandler* handler();
};

// Installs a handler for a scope.
class ScopedMessageBoxHandler {
public:
    explicit ScopedMessageBoxHandler(MessageBoxHandler* h) : previous_(MessageBoxes::handler()) {
        MessageBoxes::setHandler(h);
    }
    ~ScopedMessageBoxHandler() { MessageBoxes::setHandler(previous_); }
    ScopedMessageBoxHandler(const ScopedMessageBoxHandler&) = delete;
    ScopedMessageBoxHandler& operator=(const ScopedMessageBoxHandler&) = delete;

private:
    MessageBoxHandler* previous_;
};

} // namespace quendarx
