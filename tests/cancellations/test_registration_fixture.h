#pragma once
// What the registration tests (declarations, articles and registration screens) start
// from: a connected scratch stock database, the host's export item EXP-1 / 1, the clock
// pinned, es_AR regional settings, recorded message boxes; and a robot that plays the
// clerk on modal screens.
#include "controls/Form.h"
#include "platform/Clock.h"
#include "platform/QStringPrinter.h"
#include "state/basGlobal.h"
#include "support/TestSupport.h"
#include <QApplication>
#include <QDialog>
#include <QLineEdit>
#include <QPointer>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>
#include <deque>
#include <functional>
#include <gtest/gtest.h>
#include <map>
#include <memory>
#include <optional>

namespace quendarx::test {

// Plays the clerk: a script queued for a screen runs once that screen is shown (inside
// its modal loop, so a key that opens another modal screen returns when that one has
// closed). A screen left open when its script ends, or shown with no script, is
// recorded as UNSCRIPTED and unloaded.
class ScreenRobot : public ScreenObserver {
public:
    using Script = std::function<void(Form&)>;

    ScreenRobot() : previous_(ScreenObserver::current()) { ScreenObserver::set(this); }
    ~ScreenRobot() override { ScreenObserver::set(previous_); }
    ScreenRobot(const ScreenRobot&) = delete;
    ScreenRobot& operator=(const ScreenRobot&) = delete;

    void when(const QString& screen, Script script) { scripts_[screen].push_back(std::move(script)); }

    void screenShown(Form& form) override {
        events << QStringLiteral("SHOW ") + form.name();
        Script script;
        auto& queue = scripts_[form.name()];
        if (!queue.empty()) {
            script = std::move(queue.front());
            queue.pop_front();
        }
        Form* f = &form;
        QPointer<QDialog> window = form.window();
        QTimer::singleShot(0, [this, f, window, script] {
            if (script && window) {
                activate(*f);
                script(*f);
            }
            if (window && f->window() == window) {
                events << QStringLiteral("UNSCRIPTED ") + f->name();
                f->unload();
            }
        });
    }
    void screenClosed(Form& form) override { events << QStringLiteral("CLOSE ") + form.name(); }

    // Script steps.
    static void activate(Form& f) {
        if (QDialog* w = f.window()) {
            w->activateWindow();
            EXPECT_TRUE(QTest::qWaitForWindowActive(w));
        }
    }
    static QWidget* focused(Form& f) {
        QDialog* w = f.window();
        return !w ? nullptr : w->focusWidget() ? w->focusWidget() : w;
    }
    static void key(Form& f, Qt::Key k, Qt::KeyboardModifiers modifiers = {}) {
        activate(f);
        if (QWidget* target = focused(f))
            QTest::keyClick(target, k, modifiers);
    }
    static void text(Form& f, const char* box, const QString& value) {
        f.textBox(QLatin1String(box))->setText(value);
    }
    static void select(Form& f, int row) {
        QTreeWidget* list = f.listView(QStringLiteral("lstV"));
        if (row < 0)
            list->clearSelection();
        else
            list->setCurrentItem(list->topLevelItem(row));
    }

    QStringList events;

private:
    ScreenObserver* previous_;
    std::map<QString, std::deque<Script>> scripts_;
};

class RegistrationTest : public ::testing::Test {
protected:
    void SetUp() override {
        resetLibraryState();
        LibraryState& g = basGlobal();
        g.g_NumeroInterno = QStringLiteral("EXP-1");
        g.g_Item = 1;
        clConexion& conexion = g.conexionLocal();
        conexion.setConnectionString(QStringLiteral("Provider=Microsoft.Jet.OLEDB.4.0;Data Source=") +
                                     db.path());
        conexion.Connect();
        Clock::pin(QDateTime(QDate(2026, 12, 5), QTime(10, 30, 0)));
    }
    void TearDown() override {
        resetLibraryState();
        Clock::release();
    }

    void useLocale(const QLocale& l) {
        locale_.reset();
        locale_ = std::make_unique<ScopedLocale>(l);
    }

    static QString sq(QString text) { return QLatin1Char('\'') + text.replace(QLatin1Char('\''), QStringLiteral("''")) + QLatin1Char('\''); }
    static QString sqOrNull(const std::optional<QString>& text) { return text ? sq(*text) : QStringLiteral("NULL"); }
    static QString numOrNull(std::optional<double> value) {
        return value ? QString::number(*value, 'g', 17) : QStringLiteral("NULL");
    }

    void declaration(const QString& intndc, std::optional<QString> intfof = QStringLiteral("2026-01-15"),
                     std::optional<QString> numero = QStringLiteral("N-1"),
                     std::optional<QString> intdsc = QStringLiteral("Importacion")) {
        db.exec(QStringLiteral("insert into OPERACIONES (NUMERO, INTNDC, INTDSC, INTFOF) values (%1, %2, %3, %4)")
                    .arg(sqOrNull(numero), sq(intndc), sqOrNull(intdsc), sqOrNull(intfof)));
    }

    struct Article {
        QString intndc = QStringLiteral("D-1");
        int artino = 1, artsno = 0;
        std::optional<double> artcan = 10, artdsc = 10;
        QString artnro = QStringLiteral("ART-1");
        std::optional<QString> artncm = QStringLiteral("8471.30.00");
        double artuni = 1.5, artfob = 15;
    };
    void article(const Article& a) {
        db.exec(QStringLiteral("insert into ARTICULOS (ARTNRO,INTNDC,ARTINO,ARTSNO,ARTNCM,ARTCAN,ARTUNI,"
                               "ARTFOB,ARTDSC) values (%1, %2, %3, %4, %5, %6, %7, %8, %9)")
                    .arg(sq(a.artnro), sq(a.intndc), QString::number(a.artino), QString::number(a.artsno),
                         sqOrNull(a.artncm), numOrNull(a.artcan), QString::number(a.artuni),
                         QString::number(a.artfob), numOrNull(a.artdsc)));
    }

    struct Cancellation {
        int linord;
        int artino = 1, artsno = 0;
        double artcds = 1;
        QString extnro = QStringLiteral("EXP-1");
        int extitm = 1;
        QString intndc = QStringLiteral("D-1");
    };
    void cancellation(const Cancellation& c) {
        db.exec(QStringLiteral("insert into CANCELACIONES (LINORD,INTNDC,ARTINO,ARTSNO,ARTCDS,ARTEXP,ARTCER,"
                               "ARTVEN,ARTORD,EXTNRO,EXTITM,EXTFDC) values (%1, %2, %3, %4, %5, '', '', '', "
                               "NULL, %6, %7, '2026-01-02 08:00:00')")
                    .arg(QString::number(c.linord), sq(c.intndc), QString::number(c.artino),
                         QString::number(c.artsno), QString::number(c.artcds, 'g', 17), sq(c.extnro),
                         QString::number(c.extitm)));
    }

    // Picks the article the registration screen works on.
    static void pick(const QString& intndc, int artino, int artsno) {
        LibraryState& g = basGlobal();
        g.g_INTNDC = intndc;
        g.g_ARTINO = artino;
        g.g_ARTSNO = artsno;
    }

    QString value(const QString& statement) const {
        const QStringList rows = db.query(statement);
        return rows.isEmpty() ? QString() : rows.front();
    }
    // The message boxes shown so far as "STYLE text".
    QStringList messages() const {
        QStringList shown;
        for (const ShownBox& box : boxes.shown)
            shown << QString::number(box.style) + QLatin1Char(' ') + box.text;
        return shown;
    }

    ScratchDatabase db;
    std::unique_ptr<ScopedLocale> locale_ = std::make_unique<ScopedLocale>(esAR());
    RecordingMessageBoxes boxes;
};

// A list view's row: its cells joined by '|'.
inline QString rowText(const QTreeWidgetItem* row) {
    QStringList cells;
    for (int i = 0; i < row->columnCount(); ++i)
        cells << row->text(i);
    return cells.join(QLatin1Char('|'));
}

// A list view's row looks: per cell "normal", "gray" or "highlight", "+bold" when bold.
inline QString rowStyle(const QTreeWidgetItem* row) {
    QStringList looks;
    for (int i = 0; i < row->columnCount(); ++i) {
        static const char* const names[] = {"normal", "gray", "highlight"};
        looks << QLatin1String(names[static_cast<int>(cellColour(row, i))]) +
                     (cellBold(row, i) ? QStringLiteral("+bold") : QString());
    }
    return looks.join(QLatin1Char('|'));
}

} // namespace quendarx::test
