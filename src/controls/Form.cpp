#include "controls/Form.h"
#include "platform/GuiApplication.h"
#include "platform/Keys.h"
#include "platform/RuntimeError.h"
#include <QApplication>
#include <QCloseEvent>
#include <QDialog>
#include <QFontDatabase>
#include <QFrame>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QProgressBar>
#include <QPushButton>
#include <QScrollBar>
#include <QStyle>
#include <QStyleOptionViewItem>
#include <QStyledItemDelegate>
#include <QThread>
#include <QTreeWidget>
#include <algorithm>
#include <clocale>
#include <map>
#include <vector>

namespace quendarx {

namespace {

// A box's length limit counts UTF-16 units, so it can cut a character outside the basic
// plane in two; the half left behind is dropped rather than stored as a broken text.
void dropCutCharacters(QLineEdit* box, const QString& text) {
    if (std::none_of(text.begin(), text.end(), [](QChar c) { return c.isSurrogate(); }))
        return;
    QString whole;
    whole.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i].isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate()) {
            whole += text[i];
            whole += text[++i];
        } else if (!text[i].isSurrogate()) {
            whole += text[i];
        }
    }
    if (whole.size() == text.size())
        return;
    const int cursor = box->cursorPosition();
    box->setText(whole);
    box->setCursorPosition(std::min<int>(cursor, static_cast<int>(whole.size())));
}

constexpr int kColourRole = Qt::UserRole + 40;
const char* const kBackColorProperty = "qxBackColor";
const char* const kTagProperty = "Tag";

int defaultHeight(ControlKind kind) {
    switch (kind) {
    case ControlKind::Label:
        return 195;
    case ControlKind::TextBox:
        return 255;
    case ControlKind::Button:
        return 375;
    case ControlKind::ProgressBar:
    default:
        return 255;
    }
}

thread_local ScreenObserver* t_observer = nullptr;

// The screens' face. Their captions are laid out for Tahoma's widths; Debian keeps a face
// with those widths in the fonts-wine package, outside the folders the system's font
// configuration searches, so it is loaded from there when the system has no Tahoma.
// Only its regular face: the package's bold face, at the screens' small sizes, carries no
// more ink than the regular one, so bold text is drawn from the regular face made heavier
// (the font engine emboldens a face that has no bold of its own), at the regular widths.
QFont screenFont() {
    static const QString family = [] {
        const QString tahoma = QStringLiteral("Tahoma");
        if (!QFontDatabase::hasFamily(tahoma))
            QFontDatabase::addApplicationFont(QStringLiteral("/usr/share/wine/fonts/tahoma.ttf"));
        // Without it, the narrowest face at hand keeps most captions whole.
        return QFontDatabase::hasFamily(tahoma) ? tahoma : QStringLiteral("DejaVu Sans Condensed");
    }();
    QFont font(family);
    font.setPointSizeF(8.25);
    return font;
}

// A screen's picture: the style's list icon, as large as the picture's box allows.
QLabel* picture(QWidget* window, const ControlSpec& spec) {
    auto* label = new QLabel(window);
    label->setFocusPolicy(Qt::NoFocus);
    label->setAlignment(Qt::AlignCenter);
    const int side = std::min(twipsToPixels(spec.width), twipsToPixels(spec.height));
    label->setPixmap(window->style()->standardIcon(QStyle::SP_FileDialogDetailedView).pixmap(side, side));
    return label;
}

} // namespace

// The window of a loaded screen: closing it from the window manager unloads the screen.
class ScreenWindow : public QDialog {
public:
    explicit ScreenWindow(Form& form) : form_(form) {}

protected:
    void closeEvent(QCloseEvent* event) override {
        event->ignore();
        form_.unload();
    }
    void reject() override { form_.unload(); }

private:
    Form& form_;
};

// Key preview: an application-wide filter sees every key of the screen's window before
// the focused control and its own filters do.
class Form::Filter : public QObject {
public:
    explicit Filter(Form& form) : form_(form) {}
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    Form& form_;
    bool resending_ = false;
    // The key presses previewed since the last key release, with the control each went to:
    // a control that ignores a key lets Qt hand the same event on to its parents, which
    // must not preview it again (a handler may send keys of its own meanwhile). The event
    // is known by more than its address: the press of a key held down (Alt, Shift) and
    // the next key's press may be delivered at the same address, and the second is a key
    // of its own.
    struct Previewed {
        const QKeyEvent* event;
        int key;
        Qt::KeyboardModifiers modifiers;
        quint64 timestamp;
        QPointer<QWidget> target;
        bool sameAs(const QKeyEvent* other) const {
            return event == other && key == other->key() && modifiers == other->modifiers() &&
                   timestamp == other->timestamp();
        }
    };
    std::vector<Previewed> previewed_;
};

struct Form::Live {
    QPointer<ScreenWindow> window;
    std::map<QString, QPointer<QWidget>> controls;
    QPointer<QObject> filter; // child of the window, so it goes away with it
    bool unloaded = false;
    bool inExec = false;
};

Form::Form(QString name, QString caption, int clientWidthTwips, int clientHeightTwips,
           std::vector<ControlSpec> controls)
    : name_(std::move(name)), caption_(std::move(caption)), widthTwips_(clientWidthTwips),
      heightTwips_(clientHeightTwips), controls_(std::move(controls)) {}

Form::~Form() {
    if (live_ && QCoreApplication::instance())
        destroyWindow();
    else if (live_)
        (void)live_.release(); // the application is gone: its widgets went with it
}

QDialog* Form::window() const {
    if (!live_ || live_->unloaded)
        return nullptr;
    return live_->window.data();
}

void Form::load() {
    ensureGuiThread();
    if (live_)
        destroyWindow();
    live_ = std::make_unique<Live>();
    auto* win = new ScreenWindow(*this);
    live_->window = win;
    win->setObjectName(name_);
    win->setWindowTitle(caption_);
    win->setFont(screenFont());
    win->setFixedSize(twipsToPixels(widthTwips_), twipsToPixels(heightTwips_));

    std::vector<std::pair<int, QWidget*>> tabbed;
    for (const ControlSpec& spec : controls_) {
        QWidget* widget = nullptr;
        switch (spec.kind) {
        case ControlKind::Label: {
            auto* label = new QLabel(spec.caption, win);
            label->setFocusPolicy(Qt::NoFocus);
            label->setTextFormat(Qt::PlainText);
            widget = label;
            break;
        }
        case ControlKind::TextBox: {
            auto* box = new QLineEdit(spec.caption, win);
            setBackColor(box, Qt::white);
            QObject::connect(box, &QLineEdit::textChanged, box,
                             [box](const QString& text) { dropCutCharacters(box, text); });
            widget = box;
            break;
        }
        case ControlKind::ListView: {
            auto* list = new QTreeWidget(win);
            list->setRootIsDecorated(false);
            list->setUniformRowHeights(true);
            list->setAllColumnsShowFocus(true);
            list->setSelectionMode(QAbstractItemView::SingleSelection);
            list->setSelectionBehavior(QAbstractItemView::SelectRows);
            list->setEditTriggers(QAbstractItemView::NoEditTriggers);
            widget = list;
            break;
        }
        case ControlKind::Button: {
            auto* button = new QPushButton(spec.caption, win);
            button->setAutoDefault(false);
            button->setDefault(false);
            const QString name = spec.name;
            QObject::connect(button, &QPushButton::clicked, win, [this, name] { Control_Click(name); });
            widget = button;
            break;
        }
        case ControlKind::ProgressBar: {
            auto* bar = new QProgressBar(win);
            bar->setTextVisible(false);
            widget = bar;
            break;
        }
        case ControlKind::Decoration: {
            if (spec.name.startsWith(QLatin1String("Image"))) {
                widget = picture(win, spec);
                break;
            }
            auto* frame = new QFrame(win);
            frame->setFrameShape(QFrame::Box);
            frame->setFocusPolicy(Qt::NoFocus);
            widget = frame;
            break;
        }
        }
        widget->setObjectName(spec.name);
        const int height = spec.height > 0 ? spec.height : defaultHeight(spec.kind);
        widget->setGeometry(twipsToPixels(spec.left), twipsToPixels(spec.top), twipsToPixels(spec.width),
                            twipsToPixels(height));
        if (spec.foreColor.isValid()) {
            QPalette palette = widget->palette();
            palette.setColor(QPalette::WindowText, spec.foreColor);
            palette.setColor(QPalette::Text, spec.foreColor);
            widget->setPalette(palette);
        }
        if (spec.bold) {
            QFont bold = widget->font();
            bold.setBold(true);
            widget->setFont(bold);
        }
        if (spec.kind == ControlKind::TextBox || spec.kind == ControlKind::ListView ||
            spec.kind == ControlKind::Button) {
            widget->setFocusPolicy(Qt::StrongFocus);
            tabbed.emplace_back(spec.tabIndex < 0 ? 1000 + static_cast<int>(tabbed.size()) : spec.tabIndex, widget);
        }
        live_->controls[spec.name] = widget;
    }
    std::stable_sort(tabbed.begin(), tabbed.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
    for (std::size_t i = 1; i < tabbed.size(); ++i)
        QWidget::setTabOrder(tabbed[i - 1].second, tabbed[i].second);
    if (!tabbed.empty())
        tabbed.front().second->setFocus(Qt::OtherFocusReason);

    live_->filter = new Filter(*this);
    live_->filter->setParent(win);
    qApp->installEventFilter(live_->filter);
    Form_Load();
}

namespace {
// A window that goes away hides its lists without laying them out again: a list's header
// that hides asks its list to recompute its geometry, measuring each column's caption.
void quietHeaders(QWidget* window) {
    for (QHeaderView* header : window->findChildren<QHeaderView*>())
        header->blockSignals(true);
}
} // namespace

void Form::destroyWindow() {
    if (!live_)
        return;
    if (live_->filter && QCoreApplication::instance())
        qApp->removeEventFilter(live_->filter);
    if (live_->window) {
        quietHeaders(live_->window);
        live_->window->hide();
        live_->window->deleteLater();
    }
    live_.reset();
}

void Form::showModal() {
    load();
    if (!window())
        return;
    QPointer<ScreenWindow> win = live_->window;
    win->setWindowModality(Qt::ApplicationModal);
    if (auto* observer = ScreenObserver::current())
        observer->screenShown(*this);
    if (window()) {
        live_->inExec = true;
        win->exec();
    }
    if (live_ && live_->window == win)
        destroyWindow();
}

void Form::showModeless() {
    if (window()) {
        window()->raise();
        window()->activateWindow();
        return;
    }
    load();
    if (!window())
        return;
    live_->window->setWindowModality(Qt::NonModal);
    live_->window->show();
    if (auto* observer = ScreenObserver::current())
        observer->screenShown(*this);
}

void Form::unload() {
    if (!live_ || live_->unloaded)
        return;
    live_->unloaded = true;
    Form_Unload();
    if (auto* observer = ScreenObserver::current())
        observer->screenClosed(*this);
    if (live_->filter)
        qApp->removeEventFilter(live_->filter);
    if (!live_->window)
        return;
    if (live_->inExec) {
        quietHeaders(live_->window);
        live_->window->done(0); // showModal() destroys it once exec() has returned
    } else {
        destroyWindow(); // quiets the headers itself
    }
}

void Form::runKeyDown(int keyCode, int shift) { Form_KeyDown(keyCode, shift); }

QWidget* Form::control(const QString& name) const {
    if (!live_)
        return nullptr;
    auto it = live_->controls.find(name);
    return it == live_->controls.end() ? nullptr : it->second.data();
}

QLabel* Form::label(const QString& name) const { return qobject_cast<QLabel*>(control(name)); }
QLineEdit* Form::textBox(const QString& name) const { return qobject_cast<QLineEdit*>(control(name)); }
QTreeWidget* Form::listView(const QString& name) const { return qobject_cast<QTreeWidget*>(control(name)); }
QPushButton* Form::button(const QString& name) const { return qobject_cast<QPushButton*>(control(name)); }
QProgressBar* Form::progressBar(const QString& name) const { return qobject_cast<QProgressBar*>(control(name)); }

namespace {
// What a cell needs to show a declaration code whole: the text of a wide one of the usual
// form (five digits, two letters, eight digits, a check letter) and the style's padding.
int codeWidth(const QTreeWidget* list) {
    QStyleOptionViewItem option;
    option.initFrom(list);
    option.font = list->font();
    option.fontMetrics = QFontMetrics(option.font);
    option.features = QStyleOptionViewItem::HasDisplay;
    option.text = QStringLiteral("00000EC00000000W");
    option.displayAlignment = Qt::AlignLeft | Qt::AlignVCenter;
    return list->style()->sizeFromContents(QStyle::CT_ItemViewItem, &option, QSize(), list).width();
}

// The width the columns may take without a horizontal scroll bar once the rows need the
// vertical one: the list's inside less the vertical bar.
int columnsRoom(const QTreeWidget* list) {
    const QStyle* style = list->style();
    int room = list->width() - 2 * list->frameWidth() -
               style->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, list->verticalScrollBar());
    if (style->styleHint(QStyle::SH_ScrollView_FrameOnlyAroundContents, nullptr, list))
        room -= style->pixelMetric(QStyle::PM_ScrollView_ScrollBarSpacing, nullptr, list);
    return room;
}

// Draws a column's texts elided in the middle when they do not fit.
class MiddleElision final : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;

protected:
    void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override {
        QStyledItemDelegate::initStyleOption(option, index);
        option->textElideMode = Qt::ElideMiddle;
    }
};
} // namespace

void Form::setColumns(QTreeWidget* list, const std::vector<ColumnSpec>& columns) {
    QStringList headers;
    for (const ColumnSpec& c : columns)
        headers << c.header;
    const int count = static_cast<int>(columns.size());
    list->setColumnCount(count);
    list->setHeaderLabels(headers);
    std::vector<int> widths;
    widths.reserve(columns.size());
    for (const ColumnSpec& c : columns)
        widths.push_back(twipsToPixels(c.widthTwips));
    int spare = columnsRoom(list);
    for (const int width : widths)
        spare -= width;
    spare = std::max(spare, 0);
    for (int i = 0; i < count; ++i) {
        if (!columns[static_cast<std::size_t>(i)].holdsCodes)
            continue;
        list->setItemDelegateForColumn(i, new MiddleElision(list));
        int wanted = codeWidth(list) - widths[static_cast<std::size_t>(i)];
        if (wanted <= 0)
            continue;
        // The room the list has to spare first, then what a yielding column can give.
        std::vector<int> grown = widths;
        const int fromSpare = std::min(wanted, spare);
        wanted -= fromSpare;
        for (int j = 0; j < count && wanted > 0; ++j) {
            if (!columns[static_cast<std::size_t>(j)].yields)
                continue;
            const int least = list->header()->sectionSizeHint(j);
            const int given = std::clamp(grown[static_cast<std::size_t>(j)] - least, 0, wanted);
            grown[static_cast<std::size_t>(j)] -= given;
            wanted -= given;
        }
        if (wanted > 0)
            continue; // nothing to grow into: the code is elided in the middle
        grown[static_cast<std::size_t>(i)] = codeWidth(list);
        spare -= fromSpare;
        widths = std::move(grown);
    }
    for (int i = 0; i < count; ++i) {
        const ColumnSpec& c = columns[static_cast<std::size_t>(i)];
        list->setColumnWidth(i, widths[static_cast<std::size_t>(i)]);
        list->headerItem()->setTextAlignment(i, (c.alignRight ? Qt::AlignRight : Qt::AlignLeft) | Qt::AlignVCenter);
    }
    list->setProperty("qxRightColumns", [&] {
        QList<QVariant> right;
        for (const ColumnSpec& c : columns)
            right << c.alignRight;
        return right;
    }());
}

bool Form::Filter::eventFilter(QObject* watched, QEvent* event) {
    if (resending_ || !watched->isWidgetType())
        return false;
    if (event->type() == QEvent::KeyRelease) {
        if (static_cast<QWidget*>(watched)->window() == form_.window())
            previewed_.clear();
        return false;
    }
    if (event->type() != QEvent::KeyPress)
        return false;
    auto* widget = static_cast<QWidget*>(watched);
    QDialog* win = form_.window();
    if (!win || widget->window() != win)
        return false;
    auto* key = static_cast<QKeyEvent*>(event);
    for (const Previewed& seen : previewed_)
        if (seen.sameAs(key) && seen.target && widget->isAncestorOf(seen.target))
            return key->key() == Qt::Key_Escape || key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter;
    if (previewed_.size() >= 8)
        previewed_.erase(previewed_.begin());
    previewed_.push_back({key, key->key(), key->modifiers(), key->timestamp(), widget});
    int code = vbKeyCode(key);
    const int shift = vbShift(key);
    const bool escape = key->key() == Qt::Key_Escape;

    if (code != 0) {
        form_.Form_KeyDown(code, shift);
        if (!form_.window())
            return true;
    }
    const QString name = widget->objectName();
    const bool named = form_.control(name) == widget;
    if (code != 0 && named) {
        form_.Control_KeyDown(name, code, shift);
        if (!form_.window())
            return true;
    }
    if (code == 0 && vbKeyCode(key) != 0)
        return true; // a handler swallowed the key

    const bool enter = key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter;
    // A key pressed with Alt held is a command, never a character: it types nothing.
    if ((key->modifiers() & Qt::AltModifier) && !enter && !key->text().isEmpty() && qobject_cast<QLineEdit*>(widget))
        return true;
    if (named && (enter || !key->text().isEmpty())) {
        int ascii = enter ? 13 : key->text().at(0).unicode();
        const int original = ascii;
        form_.Control_KeyPress(name, ascii);
        if (!form_.window() || ascii == 0)
            return true;
        if (ascii != original) {
            QKeyEvent changed(QEvent::KeyPress, key->key(), key->modifiers(), QString(QChar(ascii)));
            resending_ = true;
            QCoreApplication::sendEvent(widget, &changed);
            resending_ = false;
            return true;
        }
    }
    // Enter presses the focused command button on the key itself: its action has run
    // before the next key is read, so a key typed right after it waits for it.
    if (enter && named && !key->isAutoRepeat())
        if (auto* button = qobject_cast<QPushButton*>(widget)) {
            button->click();
            return true;
        }
    // Keys a screen does not handle do nothing to the window itself (no close on Esc,
    // no default button on Enter).
    if (escape || (enter && !named))
        return true;
    return false;
}

void setCellStyle(QTreeWidgetItem* item, int column, CellColour colour, bool bold) {
    QColor color;
    switch (colour) {
    case CellColour::Normal:
        color = QApplication::palette().color(QPalette::Text);
        break;
    case CellColour::Gray:
        color = colors::gray;
        break;
    case CellColour::Highlight:
        color = QApplication::palette().color(QPalette::Highlight);
        break;
    }
    item->setForeground(column, color);
    // A cell that never had a font of its own is already not bold; lists of thousands of
    // rows style every cell, and each change of an item costs a model notification.
    if (bold || item->data(column, Qt::FontRole).isValid()) {
        QFont font = item->font(column);
        font.setBold(bold);
        item->setFont(column, font);
    }
    item->setData(column, kColourRole, static_cast<int>(colour));
}

CellColour cellColour(const QTreeWidgetItem* item, int column) {
    return static_cast<CellColour>(item->data(column, kColourRole).toInt());
}

bool cellBold(const QTreeWidgetItem* item, int column) { return item->font(column).bold(); }

void setBackColor(QLineEdit* box, const QColor& color) {
    QPalette palette = box->palette();
    palette.setColor(QPalette::Base, color);
    box->setPalette(palette);
    box->setProperty(kBackColorProperty, color);
}

QColor backColor(const QLineEdit* box) {
    const QVariant stored = box->property(kBackColorProperty);
    return stored.isValid() ? stored.value<QColor>() : box->palette().color(QPalette::Base);
}

void setTag(QWidget* control, const QString& value) { control->setProperty(kTagProperty, value); }
QString tag(const QWidget* control) { return control->property(kTagProperty).toString(); }

void ScreenObserver::set(ScreenObserver* observer) { t_observer = observer; }
ScreenObserver* ScreenObserver::current() { return t_observer; }

void ensureGuiThread() {
    QString reason;
    if (prepareGuiApplication(&reason) == GuiAvailability::Ready)
        return;
    logMessage(QStringLiteral("screen not shown: ") + reason);
    throw RuntimeError(StandardError::ScreensUnavailable, reason);
}

bool screensAvailable() {
    QString reason;
    switch (prepareGuiApplication(&reason)) {
    case GuiAvailability::Ready:
        return true;
    case GuiAvailability::Unavailable:
        logMessage(QStringLiteral("screen not shown: ") + reason);
        return false;
    case GuiAvailability::OtherThread:
        break;
    }
    ensureGuiThread();
    return false;
}

} // namespace quendarx
