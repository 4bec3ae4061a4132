// The interactive host window's layout: the fields, one button per member, the table of
// cancellations and the status line. What the buttons do is in InteractiveHostCalls.cpp.
#include "InteractiveHostWindow.h"
#include "platform/FileDialogs.h"
#include <QCloseEvent>
#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPrinterInfo>
#include <QPushButton>
#include <QStatusBar>
#include <QTableWidget>
#include <QToolButton>
#include <QVBoxLayout>
#include <iterator>

namespace quendarx::host {

namespace {

struct ButtonSpec {
    const char* pressName; // what press() takes, also the button's object name
    const char* member;
    const char* caption; // with its mnemonic
    bool needsRow;
};

// Mnemonics are unique across the window: B I N T V K L for the fields and the table,
// C G O A M E P for clcancelMain, D R for clImportar.
const ButtonSpec kCancelMainButtons[] = {
    {"Conectar_DB", "Conectar_DB", "&Conectar_DB", false},
    {"Ingresar_Cancelaciones", "Ingresar_Cancelaciones", "In&gresar_Cancelaciones", false},
    {"Obtener_Items", "Obtener_Items", "&Obtener_Items", false},
    {"ObtenerCancelacion", "ObtenerCancelacion", "ObtenerC&ancelacion", false},
    {"Modificar_Articulo", "Modificar_Articulo", "&Modificar_Articulo", true},
    {"Eliminar_Articulo", "Eliminar_Articulo", "&Eliminar_Articulo", true},
    {"Imprimir", "Imprimir", "Im&primir", false},
};
const ButtonSpec kImportarButtons[] = {
    {"clImportar.Conectar_DB", "Conectar_DB", "Conectar_&DB", false},
    {"Importar", "Importar", "Impo&rtar", false},
};

const char* const kColumns[] = {"pINTNDC", "ARTNCM", "pARTINO", "pARTSNO", "ARTCDS", "ARTEXP", "ARTCER", "ARTORD"};

QLineEdit* lineEdit(const char* name, const QString& text = {}) {
    auto* edit = new QLineEdit(text);
    edit->setObjectName(QLatin1String(name));
    return edit;
}

} // namespace

InteractiveHostWindow::InteractiveHostWindow(QWidget* parent) : QMainWindow(parent) {
    setObjectName(QStringLiteral("frmHost"));
    setWindowTitle(QStringLiteral("Quendarx - Declaración de exportación"));
    auto* central = new QWidget(this);
    auto* layout = new QVBoxLayout(central);
    auto* top = new QHBoxLayout;
    top->addWidget(buildFields(), 1);
    auto* classes = new QVBoxLayout;
    classes->addWidget(buildButtons(QStringLiteral("clcancelMain"), HostClass::CancelMain));
    classes->addWidget(buildButtons(QStringLiteral("clImportar"), HostClass::Importar));
    classes->addStretch();
    top->addLayout(classes);
    layout->addLayout(top);

    auto* tableLabel = new QLabel(QStringLiteral("Cancelaciones de&l item"));
    table_ = new QTableWidget(0, static_cast<int>(std::size(kColumns)));
    table_->setObjectName(QStringLiteral("lstCancelaciones"));
    QStringList headers;
    for (const char* column : kColumns)
        headers << QLatin1String(column);
    table_->setHorizontalHeaderLabels(headers);
    table_->setSelectionBehavior(QAbstractItemView::SelectRows);
    table_->setSelectionMode(QAbstractItemView::SingleSelection);
    table_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table_->setTabKeyNavigation(false); // Tab leaves the table instead of walking its cells
    table_->verticalHeader()->setVisible(false);
    table_->horizontalHeader()->setStretchLastSection(true);
    table_->setAlternatingRowColors(true);
    tableLabel->setBuddy(table_);
    layout->addWidget(tableLabel);
    layout->addWidget(table_, 1);
    setCentralWidget(central);

    status_ = new QLabel;
    status_->setObjectName(QStringLiteral("lblEstado"));
    statusBar()->addWidget(status_, 1);

    // Fields in reading order, then the buttons row by row, then the table.
    QWidget* previous = database_;
    for (QWidget* next : std::initializer_list<QWidget*>{findChild<QToolButton*>(QStringLiteral("cmdElegirBase")),
                                                         printer_, interno_, item_, baseBrevik_, internoBrevik_}) {
        setTabOrder(previous, next);
        previous = next;
    }
    for (QPushButton* button : buttonOrder_) {
        setTabOrder(previous, button);
        previous = button;
    }
    setTabOrder(previous, table_);

    importWatch_.setInterval(500);
    QObject::connect(&importWatch_, &QTimer::timeout, this, [this] {
        if (importScreenOpen())
            return;
        importWatch_.stop();
        refreshTable();
    });
    resize(980, 560);
    (database_->text().isEmpty() ? database_ : interno_)->setFocus();
}

InteractiveHostWindow::~InteractiveHostWindow() = default;

QWidget* InteractiveHostWindow::buildFields() {
    auto* box = new QGroupBox(QStringLiteral("Propiedades"));
    auto* form = new QFormLayout(box);
    const QDir here = QDir::current();

    database_ = lineEdit("txtBaseDatos",
                         here.exists(QStringLiteral("stock.db")) ? QStringLiteral("stock.db") : QString());
    auto* choose = new QToolButton;
    choose->setObjectName(QStringLiteral("cmdElegirBase"));
    choose->setText(QStringLiteral("..."));
    choose->setToolTip(QStringLiteral("Elegir la base de datos"));
    QObject::connect(choose, &QToolButton::clicked, this, [this] { chooseDatabase(); });
    auto* databaseRow = new QHBoxLayout;
    databaseRow->addWidget(database_, 1);
    databaseRow->addWidget(choose);
    auto* databaseLabel = new QLabel(QStringLiteral("&Base de datos"));
    databaseLabel->setBuddy(database_);
    form->addRow(databaseLabel, databaseRow);

    printer_ = new QComboBox;
    printer_->setObjectName(QStringLiteral("cboImpresora"));
    printer_->setEditable(true);
    printer_->setInsertPolicy(QComboBox::NoInsert); // Enter keeps the list as it is
    printer_->addItem(QString());
    printer_->addItems(QPrinterInfo::availablePrinterNames());
    printer_->setCurrentText(QPrinterInfo::defaultPrinterName());
    form->addRow(QStringLiteral("&Impresora"), printer_);

    interno_ = lineEdit("txtInterno");
    form->addRow(QStringLiteral("I&nterno"), interno_);
    item_ = lineEdit("txtItem", QStringLiteral("1"));
    form->addRow(QStringLiteral("I&tem"), item_);
    baseBrevik_ = lineEdit("txtBaseBrevik", here.exists(QStringLiteral("brevik.db"))
                                                ? QStringLiteral("Driver=SQLite3;Database=brevik.db")
                                                : QString());
    form->addRow(QStringLiteral("Base Bre&vik"), baseBrevik_);
    internoBrevik_ = lineEdit("txtInternoBrevik");
    form->addRow(QStringLiteral("Interno Brevi&k"), internoBrevik_);
    return box;
}

QGroupBox* InteractiveHostWindow::buildButtons(const QString& title, HostClass cls) {
    auto* box = new QGroupBox(title);
    auto* grid = new QGridLayout(box);
    const auto add = [&](const ButtonSpec& spec, int index) {
        auto* button = new QPushButton(QString::fromUtf8(spec.caption));
        button->setObjectName(QLatin1String(spec.pressName));
        // Enter on the focused button presses it (the window is no dialog: Enter in a
        // field still calls no member).
        button->setAutoDefault(true);
        const Member member{cls, QLatin1String(spec.member), spec.needsRow};
        QObject::connect(button, &QPushButton::clicked, this, [this, member] { run(member); });
        grid->addWidget(button, index / 2, index % 2);
        buttons_[QLatin1String(spec.pressName)] = button;
        buttonOrder_.push_back(button);
    };
    int index = 0;
    if (cls == HostClass::CancelMain)
        for (const ButtonSpec& spec : kCancelMainButtons)
            add(spec, index++);
    else
        for (const ButtonSpec& spec : kImportarButtons)
            add(spec, index++);
    return box;
}

void InteractiveHostWindow::chooseDatabase() {
    const QString start = database_->text().isEmpty() ? QDir::currentPath()
                                                      : QFileInfo(database_->text()).absolutePath();
    const QString path = FileDialogs::getOpenFileName(
        this, QStringLiteral("Base de datos"), start,
        QStringLiteral("Bases de datos (*.db *.mdb *.sqlite);;Todos los archivos (*)"));
    if (!path.isEmpty())
        database_->setText(
            QDir::current().relativeFilePath(path).startsWith(u"..") ? path : QDir::current().relativeFilePath(path));
    database_->setFocus();
}

bool InteractiveHostWindow::press(const QString& member) {
    const auto it = buttons_.find(member == u"clImportar.Importar" ? QStringLiteral("Importar") : member);
    if (it == buttons_.end())
        return false;
    it->second->click();
    return true;
}

bool InteractiveHostWindow::setField(const QString& name, const QString& value) {
    if (auto* combo = findChild<QComboBox*>(name)) {
        combo->setCurrentText(value);
        return true;
    }
    if (auto* edit = findChild<QLineEdit*>(name); edit && edit->parent() != printer_) {
        edit->setText(value);
        return true;
    }
    return false;
}

QString InteractiveHostWindow::statusText() const { return status_->text(); }

void InteractiveHostWindow::setStatus(const QString& text) { status_->setText(text); }

void InteractiveHostWindow::closeEvent(QCloseEvent* event) {
    if (busy_) { // a library screen is still running inside a call
        event->ignore();
        return;
    }
    QMainWindow::closeEvent(event);
    if (onClosed)
        onClosed();
}

} // namespace quendarx::host
