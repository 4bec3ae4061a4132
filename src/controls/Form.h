#pragma once
// The screen helper: a screen is a short class whose controls are a table read like the
// screen's control table. Every showing loads the screen afresh (a new window with its
// controls, then Form_Load); closing unloads it (the window and its controls go away,
// the screen object stays in the library state for the next showing).
//
// Key preview: every key pressed anywhere in the screen's window is handed to
// Form_KeyDown before the focused control sees it; then named controls get
// Control_KeyDown and, for keys that produce a character (Enter included, code 13),
// Control_KeyPress. A handler that sets the code to 0 swallows the key.
#include "state/basGlobal.h"
#include <QColor>
#include <QString>
#include <functional>
#include <memory>
#include <vector>

class QDialog;
class QLabel;
class QLineEdit;
class QPushButton;
class QProgressBar;
class QTreeWidget;
class QTreeWidgetItem;
class QWidget;

namespace quendarx {

inline constexpr int kTwipsPerPixel = 15;
inline int twipsToPixels(int twips) { return (twips + kTwipsPerPixel / 2) / kTwipsPerPixel; }

enum class ControlKind { Label, TextBox, ListView, Button, ProgressBar, Decoration };

// One row of a control table. Positions and sizes in twips; height 0 takes the kind's
// usual height (labels 195, text boxes 255). tabIndex orders the focusable controls.
struct ControlSpec {
    QString name;
    ControlKind kind;
    int left = 0, top = 0, width = 0, height = 0;
    QString caption; // label caption, text box initial text, button caption
    int tabIndex = -1;
    QColor foreColor = {}; // invalid: the default colour
    bool bold = false;
};

struct ColumnSpec {
    QString header;
    int widthTwips;
    bool alignRight = false;
    // The column holds sixteen-character declaration codes. It grows to show one whole
    // only where a column that yields (below) can give up the width; otherwise it keeps
    // its width, and a code too wide for it is elided in the middle, so that the number at
    // its end, which tells two codes apart, stays in view.
    bool holdsCodes = false;
    // The column's texts are elided when long anyway (a description): it gives up width
    // to a code column, down to what its heading needs.
    bool yields = false;
};

// Colours the screens name.
namespace colors {
inline const QColor navy{0x00, 0x00, 0x80};
inline const QColor red{0xFF, 0x00, 0x00};
inline const QColor darkRed{0x80, 0x00, 0x00};
inline const QColor green{0x00, 0x80, 0x00};
inline const QColor gray{0x80, 0x80, 0x80};
} // namespace colors

enum class CellColour { Normal, Gray, Highlight };

class Form : public ScreenInstance {
public:
    Form(QString name, QString caption, int clientWidthTwips, int clientHeightTwips, std::vector<ControlSpec> controls);
    ~Form() override;
    Form(const Form&) = delete;
    Form& operator=(const Form&) = delete;

    const QString& name() const { return name_; }
    const std::vector<ControlSpec>& controlTable() const { return controls_; }
    // The window while the screen is loaded; nullptr when unloaded.
    QDialog* window() const;
    bool isLoaded() const { return window() != nullptr; }

    // Loads and shows the screen modally; returns once it has been unloaded.
    void showModal();
    // Loads and shows the screen without waiting (an already loaded screen is raised).
    void showModeless();
    // Unloads the screen: observers are told, the window closes and is destroyed.
    void unload();

    QWidget* control(const QString& name) const;
    QLabel* label(const QString& name) const;
    QLineEdit* textBox(const QString& name) const;
    QTreeWidget* listView(const QString& name) const;
    QPushButton* button(const QString& name) const;
    QProgressBar* progressBar(const QString& name) const;

    // Runs the screen's own key handler, as a screen does to close itself (code 27).
    void runKeyDown(int keyCode, int shift = 0);

protected:
    virtual void Form_Load() {}
    // Called while unloading, before the controls go away.
    virtual void Form_Unload() {}
    virtual void Form_KeyDown(int& keyCode, int shift) {
        (void)keyCode;
        (void)shift;
    }
    virtual void Control_KeyDown(const QString& control, int& keyCode, int shift) {
        (void)control;
        (void)keyCode;
        (void)shift;
    }
    virtual void Control_KeyPress(const QString& control, int& keyAscii) {
        (void)control;
        (void)keyAscii;
    }
    // A button was clicked.
    virtual void Control_Click(const QString& control) { (void)control; }

    // Sets up a report-style list view's columns (widths in twips).
    static void setColumns(QTreeWidget* list, const std::vector<ColumnSpec>& columns);

private:
    class Filter;
    void load();
    void destroyWindow();

    QString name_;
    QString caption_;
    int widthTwips_, heightTwips_;
    std::vector<ControlSpec> controls_;
    struct Live;
    std::unique_ptr<Live> live_;
    bool modal_ = true;
};

// List-view cell looks, kept on the item so the host's dump reads them back.
void setCellStyle(QTreeWidgetItem* item, int column, CellColour colour, bool bold);
CellColour cellColour(const QTreeWidgetItem* item, int column);
bool cellBold(const QTreeWidgetItem* item, int column);

// A text box's back colour (the input helper's focus colours), read back by the dump.
void setBackColor(QLineEdit* box, const QColor& color);
QColor backColor(const QLineEdit* box);

// A text box's Tag text.
void setTag(QWidget* control, const QString& tag);
QString tag(const QWidget* control);

// Told of every screen shown and unloaded on this thread (the host script's runner).
class ScreenObserver {
public:
    virtual ~ScreenObserver() = default;
    // The screen is loaded and about to be shown (its window exists, Form_Load has run).
    virtual void screenShown(Form& form) = 0;
    virtual void screenClosed(Form& form) = 0;
    static void set(ScreenObserver* observer); // not owned; nullptr removes it
    static ScreenObserver* current();
};

// The QApplication the screens need (see platform/GuiApplication.h). Throws RuntimeError,
// the reason also in the log, when this host cannot show windows or the call comes off the
// thread that owns them: for members whose failure goes back to the host.
void ensureGuiThread();
// For members that trap their errors: false, the reason in the log, when this host cannot
// show windows at all (no display, a QCoreApplication without widgets); throws as
// ensureGuiThread when the call comes off the thread that owns the windows.
bool screensAvailable();

} // namespace quendarx
