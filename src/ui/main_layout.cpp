#include <QAction>
#include <QLabel>
#include <QLayout>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>

#include "main_controls.h"
#include "main_layout_build.h"
#include "widgets.h"

namespace kteval::ui {

namespace {

void buildMenus(QMainWindow& window, MainControls& c) {
    QMenuBar* bar = window.menuBar();
    bar->setObjectName("frmMain_menuBar");

    c.mnuFile = bar->addMenu("File");
    c.mnuFile->setObjectName("mnuFile");
    c.mnuReload = c.mnuFile->addAction("Reload USB");
    c.mnuReload->setObjectName("mnuReload");
    QAction* dash = c.mnuFile->addSeparator();
    dash->setObjectName("mnudash");
    c.mnuExit = c.mnuFile->addAction("Exit");
    c.mnuExit->setObjectName("mnuExit");

    c.mnuAbout = bar->addMenu("About");
    c.mnuAbout->setObjectName("mnuAbout");
    c.mnuVersion = c.mnuAbout->addAction("Version");
    c.mnuVersion->setObjectName("mnuVersion");
}

// Invisible corner areas. They lie beneath the tab control, so that where they
// overlap it (the top left one covers part of the first tab) the tab control
// takes the clicks; elsewhere they count their own.
ClickArea* cornerArea(QWidget* client, const char* name, int left, int top) {
    auto* area = new ClickArea(client);
    area->setObjectName(name);
    area->setGeometry(twips(left, top, 615, 495));
    area->lower();
    return area;
}

}  // namespace

void buildMainWindow(QMainWindow& window, MainControls& c) {
    window.setWindowTitle("KT4421 Evaluation Software");
    window.setFont(windowFont());
    window.setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
    buildMenus(window, c);

    auto* client = new QWidget(&window);
    client->setObjectName("frmMain_client");
    client->setFixedSize(twips(0, 0, 12015, 7545).size());
    window.setCentralWidget(client);
    // The window takes the client's fixed size plus the menu bar, and keeps it.
    window.layout()->setSizeConstraint(QLayout::SetFixedSize);

    auto* tabs = new TabControl(client);
    c.SSTab1 = tabs;
    tabs->setObjectName("SSTab1");
    tabs->setGeometry(twips(240, 240, 11655, 6855));
    const char* const captions[] = {"Main DACs", "Offset DACs", "Signals && Direct Load",
                                    "Output Voltages"};
    QWidget* pages[4] = {};
    for (int i = 0; i < 4; ++i) {
        pages[i] = new QWidget(tabs);
        pages[i]->setObjectName(layout::indexed("SSTab1_tab", i));
        tabs->addTab(pages[i], captions[i]);
    }
    tabs->setCurrentIndex(0);
    const QPoint origin = tabs->pageOrigin();
    layout::buildDacsTab(pages[0], origin, c);
    layout::buildOffsetsTab(pages[1], origin, c);
    layout::buildSignalsTab(pages[2], origin, c);
    layout::buildOutputsTab(pages[3], origin, c);

    c.Label7 = layout::rightLabel(client, "Label7", "Output Data Word:", {7320, 7200, 1755, 195},
                                  {}, true);
    c.lblOutputCode = layout::valueLabel(client, "lblOutputCode", "000000", {9120, 7140, 735, 255});

    c.Picture1 = cornerArea(client, "Picture1", 0, 0);
    c.Picture3 = cornerArea(client, "Picture3", 11400, 0);
    c.Picture2 = cornerArea(client, "Picture2", -120, 7020);
}

}  // namespace kteval::ui
