#include "platform/QtTexts.h"
#include "platform/Regional.h"
#include <QCoreApplication>
#include <QLibraryInfo>
#include <QMessageBox>
#include <QPushButton>
#include <QTranslator>
#include <map>
#include <memory>

namespace quendarx {

namespace {

// Qt's base translations for a locale, loaded once per locale name.
const QTranslator* translatorFor(const QLocale& locale) {
    static std::map<QString, std::unique_ptr<QTranslator>> loaded;
    auto& slot = loaded[locale.name()];
    if (!slot) {
        slot = std::make_unique<QTranslator>();
        if (!slot->load(locale, QStringLiteral("qtbase"), QStringLiteral("_"),
                        QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
            slot->setObjectName(QStringLiteral("empty"));
    }
    return slot->objectName() == u"empty" ? nullptr : slot.get();
}

} // namespace

QString qtText(const char* context, const char* source) {
    if (const QTranslator* translator = translatorFor(Regional::locale())) {
        const QString text = translator->translate(context, source);
        if (!text.isEmpty())
            return text;
    }
    return QString::fromUtf8(source);
}

void translateButtons(QMessageBox& box) {
    static const std::pair<QMessageBox::StandardButton, const char*> texts[] = {
        {QMessageBox::Ok, "OK"}, {QMessageBox::Yes, "&Yes"}, {QMessageBox::No, "&No"}};
    for (const auto& [which, source] : texts)
        if (QAbstractButton* button = box.button(which))
            button->setText(qtText("QPlatformTheme", source));
}

void installQtTranslations() {
    auto* translator = new QTranslator(QCoreApplication::instance());
    if (translator->load(Regional::locale(), QStringLiteral("qtbase"), QStringLiteral("_"),
                         QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QCoreApplication::installTranslator(translator);
    else
        delete translator;
}

} // namespace quendarx
