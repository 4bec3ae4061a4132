// The members that show screens, through dispatch. A scripted observer plays the user:
// when a screen appears it may write its hand-over values into the library state, and
// then closes it.
#include "ComHelpers.h"
#include "controls/Form.h"
#include "state/basGlobal.h"
#include "stock/frmImportar.h"
#include "support/TestSupport.h"
#include <functional>
#include <gtest/gtest.h>
#include <map>
#include <thread>

namespace quendarx::test {
namespace {

using namespace quendarx::com;

class ScriptedScreens : public ScreenObserver {
public:
    ScriptedScreens() { ScreenObserver::set(this); }
    ~ScriptedScreens() override { ScreenObserver::set(nullptr); }

    // What the user does on the next showing of a screen before it closes.
    void when(const QString& screen, std::function<void()> action) { actions_[screen] = std::move(action); }
    void keepOpen(const QString& screen) { open_.push_back(screen); }

    void screenShown(Form& form) override {
        shown << form.name();
        if (auto it = actions_.find(form.name()); it != actions_.end())
            it->second();
        if (!open_.contains(form.name()))
            form.unload();
    }
    void screenClosed(Form&) override {}

    QStringList shown;

private:
    std::map<QString, std::function<void()>> actions_;
    QStringList open_;
};

class Screens : public ::testing::Test {
protected:
    void SetUp() override {
        resetLibraryState();
        db.exec(QStringLiteral("INSERT INTO OPERACIONES (NUMERO, INTNDC, INTDSC, INTFOF) VALUES "
                               "('1', 'D-100', 'Declaracion', '2026-12-01')"));
        db.exec(QStringLiteral("INSERT INTO ARTICULOS (ARTNRO, INTNDC, ARTINO, ARTSNO, ARTNCM, ARTCAN, ARTUNI, "
                               "ARTFOB, ARTDSC) VALUES ('A', 'D-100', 3, 1, '8471', 10, 1, 10, 7.5)"));
        db.exec(QStringLiteral("INSERT INTO CANCELACIONES (LINORD, INTNDC, ARTINO, ARTSNO, ARTCDS, ARTEXP, ARTCER, "
                               "ARTVEN, ARTORD, EXTNRO, EXTITM, EXTFDC) VALUES (1, 'D-100', 3, 1, 2.5, 'E', 'C', "
                               "'', 1, 'EXP-1', 1, '2026-12-05 10:30:00')"));
        cm = cancelMain();
        put(cm.get(), "Ubicacion_Base_Datos", db.path());
        ASSERT_TRUE(call(cm.get(), "Conectar_DB").boolean);
        put(cm.get(), "Numero_Interno", "EXP-1");
        put(cm.get(), "Item", "1");
    }
    void TearDown() override {
        cm.reset();
        resetLibraryState();
    }

    ScratchDatabase db;
    RecordingMessageBoxes boxes;
    ScriptedScreens user;
    Ref<IDispatch> cm;
};

TEST_F(Screens, NoDeclarationChosenEndsTheRegistrationWithFalse) {
    basGlobal().g_INTNDC = "OLD";
    basGlobal().g_ARTINO = 5;
    const CallResult r = call(cm.get(), "Ingresar_Cancelaciones");
    ASSERT_EQ(r.hr, S_OK);
    EXPECT_EQ(r.vt, VT_BOOL);
    EXPECT_FALSE(r.boolean);
    EXPECT_EQ(user.shown, QStringList{"frmDespachos"});
    EXPECT_EQ(basGlobal().g_INTNDC, "");
    EXPECT_EQ(basGlobal().g_ARTINO, 0);
}

TEST_F(Screens, TheRegistrationIsTrueOnlyWhenAnArticleWasPicked) {
    for (int picked : {0, 3}) {
        SCOPED_TRACE(picked);
        user.shown.clear();
        int artinoWhenShown = -1;
        user.when("frmDespachos", [] { basGlobal().g_INTNDC = "D-100"; });
        user.when("frmArticulos", [&] {
            artinoWhenShown = basGlobal().g_ARTINO;
            basGlobal().g_ARTINO = picked;
        });
        basGlobal().g_ARTINO = 9;
        const CallResult r = call(cm.get(), "Ingresar_Cancelaciones");
        ASSERT_EQ(r.hr, S_OK);
        EXPECT_EQ(r.boolean, picked != 0);
        EXPECT_EQ(user.shown, (QStringList{"frmDespachos", "frmArticulos"}));
        EXPECT_EQ(artinoWhenShown, 0);
    }
    EXPECT_TRUE(boxes.shown.empty());
}

TEST_F(Screens, ModifyingHandsTheArticleToTheScreenAndIsTrueWhateverTheUserDid) {
    QString intndc;
    int artino = 0, artsno = 0;
    user.when("frmModifcar", [&] {
        intndc = basGlobal().g_INTNDC;
        artino = basGlobal().g_ARTINO;
        artsno = basGlobal().g_ARTSNO;
    });
    BSTR code = SysAllocString("D-100");
    std::int16_t item = 3;
    const CallResult r = call(cm.get(), "Modificar_Articulo", {byRef(&code), byRef(&item), byValue(1)});
    SysFreeString(code);
    ASSERT_EQ(r.hr, S_OK);
    EXPECT_TRUE(r.boolean);
    EXPECT_EQ(user.shown, QStringList{"frmModifcar"});
    EXPECT_EQ(intndc, "D-100");
    EXPECT_EQ(artino, 3);
    EXPECT_EQ(artsno, 1);
    EXPECT_EQ(item, 3); // arguments come back unchanged
}

TEST_F(Screens, PrintingWaitsForTheListingAndImportingDoesNot) {
    const CallResult printed = call(cm.get(), "Imprimir");
    ASSERT_EQ(printed.hr, S_OK);
    EXPECT_EQ(printed.vt, VT_EMPTY);
    EXPECT_EQ(user.shown, QStringList{"frmImprimir"});

    user.keepOpen("frmImportar");
    auto im = importar();
    const CallResult imported = call(im.get(), "Importar");
    ASSERT_EQ(imported.hr, S_OK);
    EXPECT_EQ(imported.vt, VT_EMPTY);
    EXPECT_TRUE(frmImportar::instance().isLoaded());
    frmImportar::instance().unload();
}

TEST_F(Screens, AScreenMemberCalledOffTheUserInterfaceThreadFailsBackToTheHost) {
    std::vector<CallResult> results;
    auto im = importar();
    std::thread other([&] {
        results.push_back(call(cm.get(), "Imprimir"));
        results.push_back(call(cm.get(), "Ingresar_Cancelaciones"));
        results.push_back(call(im.get(), "Importar"));
    });
    other.join();
    for (const CallResult& r : results) {
        EXPECT_EQ(r.hr, DISP_E_EXCEPTION);
        EXPECT_EQ(r.scode, 5);
        EXPECT_FALSE(r.description.isEmpty());
        EXPECT_EQ(r.source, "Quendarx");
    }
    EXPECT_TRUE(user.shown.isEmpty());
    EXPECT_TRUE(boxes.shown.empty());
}

} // namespace
} // namespace quendarx::test
