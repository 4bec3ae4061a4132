#include "Seams.h"
#include "script/Json.h"

namespace quendarx::host {

int ScriptMessageBoxes::show(const QString& text, int style) {
    transcript_.write(QStringLiteral("MSG ") + QString::number(style) + u' ' + jsonString(text));
    if ((style & 7) != vbYesNo)
        return vbOK;
    bool yes = false;
    if (answers_.empty()) {
        transcript_.write(QStringLiteral("UNSCRIPTED MSG"));
    } else {
        yes = answers_.front();
        answers_.pop_front();
    }
    transcript_.write(yes ? QStringLiteral("ANSWER Yes") : QStringLiteral("ANSWER No"));
    return yes ? vbYes : vbNo;
}

void RecordingPrinters::install(const QStringList& names, const QString& current) {
    names_ = names;
    current_ = current;
}

void RecordingPrinters::beginDocument() {
    pageOpen_ = false;
    transcript_.write(QStringLiteral("PRINTER ") + jsonString(current_));
}

void RecordingPrinters::setFont(const QString& family, int pointSize) {
    fontFamily_ = family;
    fontSize_ = pointSize;
}

void RecordingPrinters::openPage() {
    if (pageOpen_)
        return;
    pageOpen_ = true;
    ++pagesPrinted_;
    transcript_.write(QStringLiteral("PAGE ") + QString::number(pagesPrinted_) + u' ' + jsonString(fontFamily_) + u' ' +
                      QString::number(fontSize_));
}

void RecordingPrinters::print(const QString& pageText) {
    openPage();
    for (const QString& line : pageLines(pageText))
        transcript_.write(QStringLiteral("| ") + line);
}

void RecordingPrinters::endPage() {
    openPage();
    transcript_.write(QStringLiteral("ENDPAGE"));
    pageOpen_ = false;
}

void RecordingPrinters::endDocument() {
    if (pageOpen_) { // the last page, printed but not finished, ends with the document
        transcript_.write(QStringLiteral("ENDPAGE"));
        pageOpen_ = false;
    }
}

QString ScriptFileDialogs::getSaveFileName(QWidget*, const QString&, const QString&, const QString&) {
    if (queue_.empty()) {
        transcript_.write(QStringLiteral("UNSCRIPTED SAVEFILE"));
        return QString();
    }
    const std::optional<QString> answer = queue_.front();
    queue_.pop_front();
    return answer.value_or(QString());
}

void ScriptFileDialogs::fileWritten(const QString& path) {
    transcript_.write(QStringLiteral("FILE ") + jsonString(path));
}

} // namespace quendarx::host
