#include "controls/ClCntrl.h"
#include "controls/Form.h"
#include "platform/Keys.h"
#include "platform/MessageBoxes.h"
#include "platform/Regional.h"
#include <QAbstractSpinBox>
#include <QComboBox>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QListWidget>
#include <QMouseEvent>
#include <QTimer>
#include <cmath>

namespace quendarx {

namespace {

// Focus colours as stored (0x00BBGGRR).
constexpr quint32 kColorFocus = 0xC0FFC0;
constexpr quint32 kColorFocusF6 = 0xD6E4FE;
constexpr quint32 kColorNoFocus = 0xFFFFFF;

// QWidget::focusNextPrevChild is protected; this reaches it the way Tab does.
struct FocusMover : QWidget {
    static bool move(QWidget* from, bool next) { return (from->*(&FocusMover::focusNextPrevChild))(next); }
};

void selectWhole(QLineEdit* box) {
    box->setCursorPosition(0);
    box->selectAll();
}

// Index of the first text that begins with `value`, letter case ignored; -1 when none.
int findPrefix(const QStringList& texts, const QString& value) {
    for (int i = 0; i < texts.size(); ++i)
        if (texts.at(i).startsWith(value, Qt::CaseInsensitive))
            return i;
    return -1;
}

} // namespace

QColor oleColor(quint32 bgr) { return QColor(int(bgr & 0xFF), int((bgr >> 8) & 0xFF), int((bgr >> 16) & 0xFF)); }

int twipsToPixelsHalfEven(double twips, double twipsPerPixel) {
    return static_cast<int>(std::nearbyint(twips / twipsPerPixel)); // default mode: half to even
}

ClCntrl::ClCntrl() { ObtenerDecimal(); }

ClCntrl::~ClCntrl() {
    if (textWatch_)
        textWatch_->removeEventFilter(this);
    if (windowWatch_)
        windowWatch_->removeEventFilter(this);
    if (listViewportWatch_)
        listViewportWatch_->removeEventFilter(this);
}

void ClCntrl::sLinkText(QLineEdit* vTextBox) {
    if (textWatch_)
        textWatch_->removeEventFilter(this);
    if (windowWatch_)
        windowWatch_->removeEventFilter(this);
    vTextCtrl_ = vTextBox;
    textWatch_ = vTextBox;
    windowWatch_ = vTextBox ? vTextBox->window() : nullptr;
    bTeclaDecimal_ = false;
    holding_ = vTextBox && vTextBox->hasFocus();
    if (vTextBox) {
        vTextBox->installEventFilter(this);
        vTextBox->window()->installEventFilter(this);
    }
}

void ClCntrl::sLinkListBox(QListWidget* InvListBox) {
    if (listViewportWatch_)
        listViewportWatch_->removeEventFilter(this);
    vListBox_ = InvListBox;
    listViewportWatch_ = InvListBox ? InvListBox->viewport() : nullptr;
    if (InvListBox) {
        // Pointer moves without a button held reach the list only with tracking on.
        InvListBox->viewport()->setMouseTracking(true);
        InvListBox->viewport()->installEventFilter(this);
    }
}

void ClCntrl::sLinkCBoBox(QComboBox* InvCboBox) { vCboBox_ = InvCboBox; }

QString ClCntrl::Separador_Decimal() {
    ObtenerDecimal();
    return sDecimal_;
}

QString ClCntrl::Obtener_Sep_Decim() { return Separador_Decimal(); }

void ClCntrl::ObtenerDecimal() {
    QString answer = Regional::decimalSeparator();
    const qsizetype nul = answer.indexOf(QChar(0));
    if (nul >= 0)
        answer.truncate(nul);
    if (!answer.isEmpty()) {
        sDecimal_ = answer;
        return;
    }
    sDecimal_.clear();
    MessageBoxes::show(QStringLiteral("No se puedo obtener la información"), vbOKOnly);
}

void ClCntrl::LstBuscarStr(const QString& Valor) {
    if (!vListBox_)
        return;
    QStringList texts;
    for (int i = 0; i < vListBox_->count(); ++i)
        texts << vListBox_->item(i)->text();
    const int index = findPrefix(texts, Valor);
    if (index < 0) {
        vListBox_->clearSelection();
        vListBox_->setCurrentRow(-1);
    } else {
        vListBox_->setCurrentRow(index, QItemSelectionModel::ClearAndSelect);
    }
}

void ClCntrl::BuscarCBO(const QString& Valor) {
    if (!vCboBox_)
        return;
    QStringList texts;
    for (int i = 0; i < vCboBox_->count(); ++i)
        texts << vCboBox_->itemText(i);
    vCboBox_->setCurrentIndex(findPrefix(texts, Valor));
}

void ClCntrl::VaciarTxt(QWidget* frm) {
    if (!frm)
        return;
    for (QLineEdit* box : frm->findChildren<QLineEdit*>()) {
        // The editors inside combo boxes and spin boxes are parts of those controls.
        QWidget* owner = box->parentWidget();
        if (qobject_cast<QComboBox*>(owner) || qobject_cast<QAbstractSpinBox*>(owner))
            continue;
        box->clear();
    }
}

namespace {
// The window losing or regaining the activation (a message box, another window, a popup)
// is no move of the focus between controls.
bool windowReason(Qt::FocusReason reason) {
    return reason == Qt::ActiveWindowFocusReason || reason == Qt::PopupFocusReason;
}
} // namespace

void ClCntrl::focusIn(QEvent* event) {
    QLineEdit* box = vTextCtrl_;
    const Qt::FocusReason reason = static_cast<QFocusEvent*>(event)->reason();
    // The box's own handling first (a caret, Qt's select-all on Tab), then the helper's.
    static_cast<QObject*>(box)->event(event);
    if (windowReason(reason) && holding_)
        return; // back in the window: the value stays as the clerk left it
    holding_ = true;
    gotFocus(reason);
}

void ClCntrl::focusOut(QEvent* event) {
    const Qt::FocusReason reason = static_cast<QFocusEvent*>(event)->reason();
    static_cast<QObject*>(vTextCtrl_.data())->event(event);
    if (windowReason(reason))
        return;
    holding_ = false;
    lostFocus();
}

void ClCntrl::gotFocus(Qt::FocusReason reason) {
    QLineEdit* box = vTextCtrl_;
    const QString t = tag(box);
    if (t.endsWith(QLatin1String("#F6"))) {
        setBackColor(box, oleColor(kColorFocusF6));
    } else if (t.startsWith(QLatin1String("BB"))) {
        box->deselect(); // Qt selects the whole text on Tab; this box is left as it is
        return;
    } else {
        setBackColor(box, oleColor(kColorFocus));
    }
    selectWhole(box);
    // A click that gave the focus places the caret once this event is over: select again
    // after the click, unless something was typed meanwhile.
    if (reason == Qt::MouseFocusReason) {
        QTimer::singleShot(0, box, [box, text = box->text()] {
            if (box->hasFocus() && box->text() == text)
                selectWhole(box);
        });
    }
}

void ClCntrl::lostFocus() {
    if (!tag(vTextCtrl_).startsWith(QLatin1String("BB")))
        setBackColor(vTextCtrl_, oleColor(kColorNoFocus));
}

bool ClCntrl::keyPress(QKeyEvent* key) {
    QLineEdit* box = vTextCtrl_;
    const int code = vbKeyCode(key);
    // Key down.
    if (code == vbKeyUp)
        FocusMover::move(box, false);
    else if (code == vbKeyDown)
        FocusMover::move(box, true);
    else if (code == vbKeyDecimal)
        bTeclaDecimal_ = true;
    // Key press: the character, which may be changed.
    if (code == vbKeyReturn) {
        FocusMover::move(box, true);
        return true; // the box never receives the Enter
    }
    if (bTeclaDecimal_ && key->text() == QLatin1String(".") && !sDecimal_.isEmpty()) {
        QKeyEvent changed(QEvent::KeyPress, key->key(), key->modifiers(), QString(sDecimal_.at(0)), key->isAutoRepeat(),
                          key->count());
        // Straight to the box: the screen's key preview has seen this key already.
        static_cast<QObject*>(box)->event(&changed);
        return true;
    }
    return false;
}

bool ClCntrl::eventFilter(QObject* watched, QEvent* event) {
    // Compare as plain objects first: a control being destroyed still sends events, and
    // reading it through its own type then would be undefined.
    const QEvent::Type type = event->type();
    if (type == QEvent::Destroy || type == QEvent::DeferredDelete)
        return false;
    if (watched == static_cast<QObject*>(textWatch_.data())) {
        switch (type) {
        case QEvent::FocusIn:
            focusIn(event);
            return true;
        case QEvent::FocusOut:
            focusOut(event);
            return true;
        case QEvent::KeyPress:
            return keyPress(static_cast<QKeyEvent*>(event));
        case QEvent::KeyRelease:
            if (vbKeyCode(static_cast<QKeyEvent*>(event)) == vbKeyDecimal)
                bTeclaDecimal_ = false;
            break;
        default:
            break;
        }
        return false;
    }
    if (type == QEvent::WindowActivate && watched == windowWatch_.data() && vTextCtrl_) {
        // The screen moved the focus to another control while its window was inactive
        // (behind a message box): that control gets its focus now, this one loses it.
        if (holding_ && vTextCtrl_->window()->focusWidget() != vTextCtrl_) {
            holding_ = false;
            lostFocus();
        }
        return false;
    }
    if (type == QEvent::MouseMove && watched == listViewportWatch_.data() && vListBox_)
        listMouseMove(static_cast<QMouseEvent*>(event));
    return false;
}

void ClCntrl::listMouseMove(QMouseEvent* mouse) {
    if (mouse->buttons() != Qt::NoButton)
        return;
    // The pointer position as a twips-based screen reports it, back to whole pixels.
    const QPointF at = mouse->position();
    const int x = twipsToPixelsHalfEven(at.x() * kTwipsPerPixel, kTwipsPerPixel);
    const int y = twipsToPixelsHalfEven(at.y() * kTwipsPerPixel, kTwipsPerPixel);
    QListWidgetItem* item = vListBox_->itemAt(QPoint(x, y));
    const int row = item ? vListBox_->row(item) : -1;
    vListBox_->setToolTip(row >= 0 && row < vListBox_->count() ? item->text() : QString());
}

} // namespace quendarx
