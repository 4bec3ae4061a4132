#pragma once
// The interactive host window: stands in for the export-declaration program. Its fields
// are the properties of the two public classes; each button puts them through dispatch
// and then calls its member. The table shows ObtenerCancelacion for the current item and
// is read again after every call; its selected row gives the arguments of
// Eliminar_Articulo and Modificar_Articulo. The status line shows each call's result.
#include "InteractiveHostSession.h"
#include <QMainWindow>
#include <QTimer>
#include <functional>
#include <map>
#include <vector>

class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTableWidget;

namespace quendarx::host {

class InteractiveHostWindow : public QMainWindow {
public:
    explicit InteractiveHostWindow(QWidget* parent = nullptr);
    ~InteractiveHostWindow() override;

    // Presses a member's button: "Conectar_DB" ... for clcancelMain,
    // "clImportar.Conectar_DB" and "Importar" for clImportar. False for no such button.
    bool press(const QString& member);
    // Fills a field by its object name (txtBaseDatos, cboImpresora, txtInterno, txtItem,
    // txtBaseBrevik, txtInternoBrevik). False for no such field.
    bool setField(const QString& name, const QString& value);
    QString statusText() const;
    QTableWidget* table() const { return table_; }

    // Called once the window has been closed (the program quits then).
    std::function<void()> onClosed;

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    struct Member {
        HostClass cls;
        QString name;
        bool needsRow = false;
    };

    QWidget* buildFields();
    QGroupBox* buildButtons(const QString& title, HostClass cls);
    void chooseDatabase();

    void run(const Member& member);
    bool putFields(HostClass cls, QString* failure);
    std::optional<std::vector<Argument>> rowArguments() const;
    void refreshTable();
    void showTable(const RecordsetTable& recordset);
    bool importScreenOpen() const;
    void keepImportNumber();
    void watchImportScreen();
    void setStatus(const QString& text);

    HostSession session_;
    QLineEdit* database_ = nullptr;
    QComboBox* printer_ = nullptr;
    QLineEdit* interno_ = nullptr;
    QLineEdit* item_ = nullptr;
    QLineEdit* baseBrevik_ = nullptr;
    QLineEdit* internoBrevik_ = nullptr;
    QTableWidget* table_ = nullptr;
    QLabel* status_ = nullptr;
    std::map<QString, QPushButton*> buttons_; // by the name press() takes
    std::vector<QPushButton*> buttonOrder_;   // as laid out
    QTimer importWatch_;
    bool busy_ = false;      // a call is under way (its screens may run event loops)
    bool connected_ = false; // the last Conectar_DB said True
};

} // namespace quendarx::host
