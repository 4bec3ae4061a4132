#include "platform/FileDialogs.h"
#include "platform/MessageBoxes.h"
#include "platform/QtTexts.h"
#include "platform/Regional.h"
#include <QDir>
#include <QFileDialog>
#include <QFileIconProvider>
#include <QFileInfo>
#include <QFileSystemModel>
#include <QHeaderView>
#include <QIdentityProxyModel>
#include <QMimeDatabase>
#include <QTreeView>
#include <atomic>

namespace quendarx {

namespace {
std::atomic<FileDialogHandler*> g_handler{nullptr};

bool spanish() { return Regional::locale().language() == QLocale::Spanish; }

// Icons and type names from a file's name alone: nothing listed is ever opened. Under
// Spanish settings the type names are Spanish too (Qt's own are English).
class NameOnlyIconProvider final : public QFileIconProvider {
public:
    using QFileIconProvider::icon;
    QIcon icon(const QFileInfo& info) const override {
        return icon(info.isDir() ? QAbstractFileIconProvider::Folder : QAbstractFileIconProvider::File);
    }
    QString type(const QFileInfo& info) const override {
        if (spanish()) {
            if (info.isDir())
                return QStringLiteral("Carpeta");
            const QString suffix = info.suffix();
            if (suffix.compare(QLatin1String("pdf"), Qt::CaseInsensitive) == 0)
                return QStringLiteral("Documento PDF");
            return suffix.isEmpty() ? QStringLiteral("Archivo") : QStringLiteral("Archivo ") + suffix.toUpper();
        }
        if (info.isDir())
            return QFileIconProvider::type(info); // "Folder", from the name alone as well
        const QMimeType mime = QMimeDatabase().mimeTypeForFile(info.fileName(), QMimeDatabase::MatchExtension);
        return mime.isDefault() ? QFileIconProvider::type(QFileInfo()) : mime.comment();
    }
};

// The listed files' sizes and dates as the regional settings write them (Qt's model writes
// them for the system's settings).
class RegionalColumns final : public QIdentityProxyModel {
public:
    using QIdentityProxyModel::QIdentityProxyModel;
    QVariant data(const QModelIndex& index, int role) const override {
        if (role == Qt::DisplayRole && (index.column() == 1 || index.column() == 3)) {
            const auto* files = qobject_cast<const QFileSystemModel*>(sourceModel());
            const QModelIndex source = mapToSource(index);
            if (files && source.isValid()) {
                if (index.column() == 3)
                    return Regional::generalDate(files->lastModified(source));
                if (!files->isDir(source))
                    return Regional::locale().formattedDataSize(files->size(source), 1,
                                                                QLocale::DataSizeTraditionalFormat);
            }
        }
        return QIdentityProxyModel::data(index, role);
    }
};

QString withSuffix(const QString& path, const QString& suffix) {
    if (suffix.isEmpty() || path.endsWith(QLatin1Char('.') + suffix, Qt::CaseInsensitive))
        return path;
    return path + QLatin1Char('.') + suffix;
}

// Qt's own dialog (a platform theme's chooser would run outside the library's care for
// the files it lists), with the name-only provider, its texts and columns for the regional
// settings, and the request's checks made before the dialog closes.
class Dialog final : public QFileDialog {
public:
    // The provider outlives the dialog: the dialog's model uses it until it goes.
    Dialog(QWidget* parent, const SaveFileRequest& request, QFileDialog::AcceptMode mode,
           QAbstractFileIconProvider* provider)
        : QFileDialog(parent, request.caption, request.proposedName, request.filter), request_(request) {
        setOption(QFileDialog::DontUseNativeDialog);
        setOption(QFileDialog::DontConfirmOverwrite); // asked below, after the checks
        setIconProvider(provider);
        setAcceptMode(mode);
        setFileMode(mode == QFileDialog::AcceptSave ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
        setProxyModel(new RegionalColumns(this));
        if (spanish()) {
            // Qt's Spanish says "fichero"; the screens say "archivo".
            setLabelText(QFileDialog::LookIn, QStringLiteral("Buscar en:"));
            setLabelText(QFileDialog::FileName, QStringLiteral("&Nombre de archivo:"));
            setLabelText(QFileDialog::FileType, QStringLiteral("&Tipo de archivo:"));
            setLabelText(QFileDialog::Accept,
                         mode == QFileDialog::AcceptSave ? QStringLiteral("&Guardar") : QStringLiteral("&Abrir"));
            setLabelText(QFileDialog::Reject, QStringLiteral("Cancelar"));
        }
        // Every column wide enough for its heading and its texts; the names take the rest.
        if (auto* view = findChild<QTreeView*>(QStringLiteral("treeView"))) {
            view->header()->setStretchLastSection(false);
            view->header()->setSectionResizeMode(0, QHeaderView::Stretch);
            for (int column = 1; column < 4; ++column)
                view->header()->setSectionResizeMode(column, QHeaderView::ResizeToContents);
        }
        resize(760, 460);
    }
    const QString& chosen() const { return chosen_; }

protected:
    void accept() override {
        const QStringList files = selectedFiles();
        const QString typed = files.isEmpty() ? QString() : files.front();
        if (acceptMode() != QFileDialog::AcceptSave || typed.isEmpty() || QFileInfo(typed).isDir()) {
            QFileDialog::accept(); // opens a folder, or takes the file to open
            chosen_ = selectedFiles().value(0);
            return;
        }
        const QString path = withSuffix(typed, request_.suffix);
        for (const QString& name : {typed, path}) {
            const QString why = request_.refusal ? request_.refusal(name) : QString();
            if (!why.isEmpty()) {
                MessageBoxes::show(why, vbExclamation);
                return;
            }
        }
        if (QFileInfo::exists(path) &&
            MessageBoxes::show(
                QStringLiteral("El archivo \"%1\" ya existe.\r\n¿Desea reemplazarlo?").arg(QFileInfo(path).fileName()),
                vbYesNo | vbExclamation) != vbYes)
            return;
        chosen_ = path;
        done(QDialog::Accepted); // not QFileDialog::accept(): its checks are made above
    }

private:
    SaveFileRequest request_;
    QString chosen_;
};

QString runDialog(QWidget* parent, const SaveFileRequest& request, QFileDialog::AcceptMode mode) {
    NameOnlyIconProvider provider;
    Dialog dialog(parent, request, mode, &provider);
    if (dialog.exec() != QDialog::Accepted)
        return {};
    return dialog.chosen();
}
} // namespace

QString FileDialogs::getSaveFileName(QWidget* parent, const SaveFileRequest& request) {
    FileDialogHandler* h = g_handler.load();
    if (!h)
        return runDialog(parent, request, QFileDialog::AcceptSave);
    const QString answer = h->getSaveFileName(parent, request.caption, request.proposedName, request.filter);
    if (answer.isEmpty())
        return {};
    const QString path = withSuffix(answer, request.suffix);
    for (const QString& name : {answer, path}) {
        const QString why = request.refusal ? request.refusal(name) : QString();
        if (!why.isEmpty()) {
            MessageBoxes::show(why, vbExclamation);
            return {};
        }
    }
    return path;
}

QString FileDialogs::getOpenFileName(QWidget* parent, const QString& caption, const QString& directory,
                                     const QString& filter) {
    return runDialog(parent, SaveFileRequest{caption, directory, filter, {}, {}}, QFileDialog::AcceptOpen);
}
void FileDialogs::fileWritten(const QString& path) {
    if (FileDialogHandler* h = g_handler.load())
        h->fileWritten(path);
}

void FileDialogs::setHandler(FileDialogHandler* handler) { g_handler.store(handler); }

FileDialogHandler* FileDialogs::handler() { return g_handler.load(); }

} // namespace quendarx
