#include "ScreenActions.h"
#include "ScreenDump.h"
#include "controls/Form.h"
#include "script/Json.h"
#include "script/ScriptError.h"
#include <QApplication>
#include <QDialog>
#include <QLineEdit>
#include <QPixmap>
#include <QPointer>
#include <QPushButton>
#include <QTreeWidget>
#include <QtTest/QTest>

namespace quendarx::host {

namespace {

QWidget* keyTarget(Form& form) {
    QDialog* window = form.window();
    if (!window)
        return nullptr;
    QWidget* focused = QApplication::focusWidget();
    if (focused && focused->window() == window)
        return focused;
    if (QWidget* last = window->focusWidget())
        return last;
    return window;
}

[[noreturn]] void noSuchControl(const Form& form, const QString& control, const char* kind) {
    throw ScriptError(QStringLiteral("%1 has no %2 %3").arg(form.name(), QLatin1String(kind), control));
}

Qt::Key keyForCharacter(QChar c) {
    if (c.unicode() < 0x80)
        return QTest::asciiToKey(static_cast<char>(c.unicode()));
    if (c.unicode() < 0x100)
        return static_cast<Qt::Key>(c.toUpper().unicode());
    return Qt::Key_unknown;
}

void typeText(Form& form, const QString& text) {
    for (const QChar c : text) {
        QWidget* target = keyTarget(form);
        if (!target)
            return; // the screen closed while typing
        QTest::sendKeyEvent(QTest::Click, target, keyForCharacter(c), QString(c), Qt::NoModifier);
    }
}

void saveScreenPicture(Form& form, const QString& file) {
    QDialog* window = form.window();
    if (!window)
        throw ScriptError(QStringLiteral("%1 has no window to grab").arg(form.name()));
    if (!window->grab().save(file, "PNG"))
        throw ScriptError(QStringLiteral("cannot write %1").arg(file));
}

void selectRow(Form& form, int row) {
    QTreeWidget* list = firstListView(form);
    if (!list)
        throw ScriptError(QStringLiteral("%1 has no list view").arg(form.name()));
    if (row < 0) {
        list->clearSelection();
        list->setCurrentItem(nullptr);
        return;
    }
    QTreeWidgetItem* item = list->topLevelItem(row);
    if (!item)
        throw ScriptError(QStringLiteral("%1 has no row %2 (it has %3)")
                              .arg(list->objectName())
                              .arg(row)
                              .arg(list->topLevelItemCount()));
    list->setCurrentItem(item);
    item->setSelected(true);
    list->scrollToItem(item);
}

} // namespace

void activateScreen(Form& form) {
    QDialog* window = form.window();
    if (!window || !window->isVisible())
        return;
    if (QApplication::activeWindow() == window)
        return;
    window->activateWindow();
    if (!QTest::qWaitForWindowActive(window, 2000))
        qWarning("quendarx-host: %s did not become the active window", qPrintable(form.name()));
}

void pressKey(Form& form, KeyName key) {
    QWidget* target = keyTarget(form);
    if (!target)
        return;
    switch (key) {
    case KeyName::Enter:
        QTest::keyClick(target, Qt::Key_Return);
        break;
    case KeyName::Escape:
        QTest::keyClick(target, Qt::Key_Escape);
        break;
    case KeyName::F11:
        QTest::keyClick(target, Qt::Key_F11);
        break;
    case KeyName::Delete:
        QTest::keyClick(target, Qt::Key_Delete);
        break;
    case KeyName::Tab:
        QTest::keyClick(target, Qt::Key_Tab);
        break;
    case KeyName::Up:
        QTest::keyClick(target, Qt::Key_Up);
        break;
    case KeyName::Down:
        QTest::keyClick(target, Qt::Key_Down);
        break;
    case KeyName::KeypadDecimal:
        QTest::sendKeyEvent(QTest::Click, target, Qt::Key_Period, QStringLiteral("."), Qt::KeypadModifier);
        break;
    case KeyName::Period:
        QTest::sendKeyEvent(QTest::Click, target, Qt::Key_Period, QStringLiteral("."), Qt::NoModifier);
        break;
    }
}

void runAction(Form& form, const Action& action, QStringList* dump) {
    switch (action.kind) {
    case Action::Kind::Key:
        pressKey(form, action.key);
        break;
    case Action::Kind::Type:
        typeText(form, action.text);
        break;
    case Action::Kind::Focus: {
        QWidget* control = form.control(action.control);
        if (!control)
            noSuchControl(form, action.control, "control");
        control->setFocus(Qt::OtherFocusReason);
        break;
    }
    case Action::Kind::Text: {
        QLineEdit* box = form.textBox(action.control);
        if (!box)
            noSuchControl(form, action.control, "text box");
        box->setText(action.text);
        break;
    }
    case Action::Kind::Select:
        selectRow(form, action.row);
        break;
    case Action::Kind::Click: {
        QPushButton* button = form.button(action.control);
        if (!button)
            noSuchControl(form, action.control, "button");
        if (button->isVisible())
            QTest::mouseClick(button, Qt::LeftButton);
        else
            button->click();
        break;
    }
    case Action::Kind::Dump:
        *dump = dumpLines(form);
        break;
    case Action::Kind::Shot:
        // A picture of the screen's window as it stands (the screenshots of the docs);
        // `SHOT "file"` once it is written.
        saveScreenPicture(form, action.text);
        *dump = QStringList{QStringLiteral("SHOT ") + jsonString(action.text)};
        break;
    }
}

} // namespace quendarx::host
