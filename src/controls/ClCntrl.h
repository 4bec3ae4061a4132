#pragma once
// The input-control helper: one per text box of an entry screen. Focus colours (light
// green, or peach for a Tag ending in "#F6", none for a Tag starting with "BB"), Enter
// and Down as Tab, Up as Shift+Tab, the keypad's decimal key typing the locale's decimal
// separator; find-by-prefix and a tooltip for a linked list box, find-by-prefix for a
// linked combo box; VaciarTxt empties every text box of a screen.
#include <QColor>
#include <QObject>
#include <QPointer>
#include <QString>

class QComboBox;
class QKeyEvent;
class QLineEdit;
class QListWidget;
class QMouseEvent;
class QWidget;

namespace quendarx {

// A colour stored as 0x00BBGGRR.
QColor oleColor(quint32 bgr);
// A position in twips to whole pixels, a half rounded to the even number.
int twipsToPixelsHalfEven(double twips, double twipsPerPixel);

class ClCntrl : public QObject {
public:
    ClCntrl(); // reads the decimal separator once (ObtenerDecimal)
    ~ClCntrl() override;

    // Linking: each replaces the control of that kind held before.
    void sLinkText(QLineEdit* vTextBox);
    void sLinkListBox(QListWidget* InvListBox);
    void sLinkCBoBox(QComboBox* InvCboBox);

    QString Separador_Decimal();
    QString Obtener_Sep_Decim();
    void ObtenerDecimal();

    void LstBuscarStr(const QString& Valor);
    void BuscarCBO(const QString& Valor);
    // Empties every text box of the screen (a window and its children).
    void VaciarTxt(QWidget* frm);

    // The locale's decimal separator as last read ("" when reading failed).
    const QString& sDecimal() const { return sDecimal_; }
    bool bTeclaDecimal() const { return bTeclaDecimal_; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void focusIn(QEvent* event);
    void focusOut(QEvent* event);
    void gotFocus(Qt::FocusReason reason);
    void lostFocus();
    bool keyPress(QKeyEvent* key); // true: the key is consumed
    void listMouseMove(QMouseEvent* mouse);

    QPointer<QLineEdit> vTextCtrl_;
    QPointer<QListWidget> vListBox_;
    QPointer<QComboBox> vCboBox_;
    QPointer<QObject> textWatch_;         // vTextCtrl_ as a plain object
    QPointer<QObject> listViewportWatch_; // vListBox_'s viewport as a plain object
    QPointer<QObject> windowWatch_;       // vTextCtrl_'s window as a plain object
    // The box is the screen's focused control: it got the focus from another control (or
    // at the window's first showing) and has not lost it to another control since. A
    // message box or another window taking the activation does not change this.
    bool holding_ = false;
    QString sDecimal_;
    bool bTeclaDecimal_ = false;
};

} // namespace quendarx
