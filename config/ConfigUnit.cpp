#include "config/ConfigUnit.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QTabBar>
#include <QTimer>
#include <QVBoxLayout>

#include <limits>
#include <string>
#include <utility>

#include "config/QRTAboutPanel.h"
#include "config/QRTInfoPanel.h"
#include "config/kxConfigManager.h"
#include "config/kxStyler.h"
#include "config/xpPages.h"
#include "platform/file/Path.h"
#include "platform/ui/Colors.h"
#include "platform/ui/Fonts.h"
#include "platform/ui/Panel.h"
#include "platform/ui/QtText.h"

using kx::platform::ui::FormFont;
using kx::platform::ui::FromQString;
using kx::platform::ui::TBevelCut;
using kx::platform::ui::TColor;
using kx::platform::ui::TkxPanel;
using kx::platform::ui::ToQColor;
using kx::platform::ui::ToQString;

namespace {

constexpr TColor kFormColor = 15132390;   // E6E6E6
constexpr TColor kPanelColor = 15724527;  // EFEFEF
constexpr int kFontPixels = 11;
// Heights the form leaves to the controls' own defaults.
constexpr int kEditHeight = 21;
constexpr int kCheckHeight = 17;
constexpr int kLabelHeight = 13;
constexpr int kLabelDrop = 3;  // a label's top below its control's

// ---- The owner-drawn page control and the info and about panels, with the
// form's values.

constexpr TColor kInfoEndColor = 15724527;  // EFEFEF

TxpPageControl* CreatePageControl(QWidget* Parent) {
  auto* pages = new TxpPageControl(Parent);
  pages->SetStyle(pcsVANTO);
  pages->SetTabHeight(22);
  pages->SetTabPosition(tpTop);
  pages->SetTabTextAlignment(taCenter);
  pages->SetBackgroundColor(kFormColor);
  pages->SetBorderColor(clNone);
  pages->setProperty("ShowHint", true);
  pages->setFocusPolicy(Qt::NoFocus);
  for (QTabBar* bar : pages->findChildren<QTabBar*>()) bar->setFocusPolicy(Qt::NoFocus);
  return pages;
}

TQRTInfoPanel* CreateInfoPanel(QWidget* Parent) {
  auto* panel = new TQRTInfoPanel(Parent);
  panel->SetTitle(u"Configure exportservice");
  panel->SetStartColor(clWhite);
  panel->SetEndeColor(kInfoEndColor);
  panel->SetGradientOrientation(goLeft2Right);
  panel->SetPanelType(TQRTInfoPanel::Exportservice);
  panel->SetScroll(false);
  return panel;
}

TQRTAboutPanel* CreateAboutPanel(QWidget* Parent) {
  auto* panel = new TQRTAboutPanel(Parent);
  panel->SetProgramVersion(u"Version 1.0.6129.40144 (rel. 1.0.0.0)");  // the first paint shows ours
  panel->SetPictureTop(80);
  panel->SetPictureLeft(16);
  panel->SetPanelType(TQRTAboutPanel::QRT);
  panel->SetUnicodeReady(true);
  return panel;
}

// ---- The store the lists come from.

class ManagerStore : public TCfgStore {
 public:
  ManagerStore(bool ForLists, const UnicodeString& ConnectionString, const UnicodeString& TableName)
      : manager_(false, ConnectionString, TableName) {
    if (ForLists) {
      manager_.BackupChanges = false;
      manager_.CacheEnabled = true;
    }
  }
  bool IsConnected() override { return manager_.IsConnected(); }
  bool GetChildNodes(const UnicodeString& Key, std::vector<TCfgStoreNode>& NodeList,
                     bool Create) override {
    TConfigNodes nodes;
    const bool ok = manager_.GetChildNodes(Key, nodes, Create);
    Take(nodes, NodeList);
    return ok;
  }
  bool GetRecursiveChildNodes(const UnicodeString& RootKey, std::vector<TCfgStoreNode>& NodeList,
                              bool AddParentNodes, bool AddRootNodes, bool AddRootKey) override {
    TConfigNodes nodes;
    const bool ok =
        manager_.GetRecursiveChildNodes(RootKey, nodes, AddParentNodes, AddRootNodes, AddRootKey);
    Take(nodes, NodeList);
    return ok;
  }
  bool ChildNodesExists(const UnicodeString& Key) override { return manager_.ChildNodesExists(Key); }
  UnicodeString GetServiceUrl(TkxEnterpriseService Service, int32_t ClusterNode,
                              int32_t InstanceId) override {
    return manager_.GetServiceUrl(Service, ClusterNode, InstanceId);
  }

 private:
  static void Take(TConfigNodes& From, std::vector<TCfgStoreNode>& To) {
    To.clear();
    To.reserve(From.size());
    for (TConfigNode& node : From)
      To.push_back({std::move(node.Name), std::move(node.Key), std::move(node.RelKey)});
  }

  TkxConfigManager manager_;
};

TCfgStoreFactory& StoreFactory() {
  static TCfgStoreFactory factory;
  return factory;
}

std::unique_ptr<TCfgStore> MakeStore(bool ForLists) {
  if (StoreFactory()) return StoreFactory()(ForLists);
  return NewConfigManagerStore(ForLists);
}

// The wait cursor for as long as it lives.
class WaitCursor {
 public:
  WaitCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
  ~WaitCursor() { QApplication::restoreOverrideCursor(); }
  WaitCursor(const WaitCursor&) = delete;
  WaitCursor& operator=(const WaitCursor&) = delete;
};

void AddNodes(QComboBox* Box, const std::vector<TCfgStoreNode>& Nodes) {
  for (const TCfgStoreNode& node : Nodes) Box->addItem(ToQString(u"/" + node.Name));
}

QLabel* MakeLabel(QWidget* Parent, const char* Name, const char16_t* Caption, int Left, int ControlTop,
                  bool Bold) {
  auto* label = new QLabel(ToQString(Caption), Parent);
  label->setObjectName(QString::fromLatin1(Name));
  label->setTextFormat(Qt::PlainText);
  label->setFont(FormFont(kFontPixels, Bold));
  label->adjustSize();
  label->setGeometry(Left, ControlTop + kLabelDrop, label->sizeHint().width(), kLabelHeight);
  return label;
}

QLineEdit* MakeEdit(QWidget* Parent, const char* Name, int Left, int Top, int Width) {
  auto* edit = new QLineEdit(Parent);
  edit->setObjectName(QString::fromLatin1(Name));
  edit->setMaxLength(std::numeric_limits<int>::max());
  edit->setGeometry(Left, Top, Width, kEditHeight);
  return edit;
}

QComboBox* MakeCombo(QWidget* Parent, const char* Name, int Left, int Top, int Width,
                     std::initializer_list<const char16_t*> Entries, bool Editable = true) {
  auto* box = new QComboBox(Parent);
  box->setObjectName(QString::fromLatin1(Name));
  box->setEditable(Editable);
  box->setInsertPolicy(QComboBox::NoInsert);
  if (Editable) box->lineEdit()->setMaxLength(std::numeric_limits<int>::max());
  for (const char16_t* entry : Entries) box->addItem(ToQString(entry));
  box->setGeometry(Left, Top, Width, kEditHeight);
  return box;
}

QCheckBox* MakeCheck(QWidget* Parent, const char* Name, const char16_t* Caption, int Left, int Top,
                     int Width) {
  auto* check = new QCheckBox(ToQString(Caption), Parent);
  check->setObjectName(QString::fromLatin1(Name));
  check->setGeometry(Left, Top, Width, kCheckHeight);
  return check;
}

// A page with its client-aligned panel: white, no tab colour, no
// background style, a gradient from white to silver top to bottom.
TxpTabSheet* AddPage(TxpPageControl* Pages, const char* Name, const char16_t* Caption, TkxPanel** Panel,
                     const char* PanelName) {
  auto* page = new TxpTabSheet(Pages);
  page->setObjectName(QString::fromLatin1(Name));
  page->SetCaption(Caption);
  page->SetColor(clWhite);
  page->SetTabColor(clNone);
  page->SetBGStyle(bgsNone);
  page->SetGradientStartColor(clWhite);
  page->SetGradientEndColor(clSilver);
  page->SetGradientFillDir(fdTopToBottom);
  auto* layout = new QVBoxLayout(page);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);
  if (Panel != nullptr) {
    *Panel = new TkxPanel(page);
    (*Panel)->setObjectName(QString::fromLatin1(PanelName));
    (*Panel)->SetColor(kPanelColor);
    (*Panel)->SetBevelOuter(TBevelCut::bvNone);
    layout->addWidget(*Panel);
  }
  return page;
}

}  // namespace

void SetCfgStoreFactoryForTesting(TCfgStoreFactory Factory) { StoreFactory() = std::move(Factory); }

std::unique_ptr<TCfgStore> NewConfigManagerStore(bool ForLists, const UnicodeString& ConnectionString,
                                                 const UnicodeString& TableName) {
  return std::make_unique<ManagerStore>(ForLists, ConnectionString, TableName);
}

TCfgForm::TCfgForm() : QDialog(nullptr) {
  BuildControls();
  FormCreate();
}

// Nothing of the dialog may answer Qt once its own part is gone: the focus
// moves while QWidget's destructor removes the children.
TCfgForm::~TCfgForm() {
  QObject::disconnect(focusWatch_);
  for (QComboBox* box : {cb_ExportService, cb_EScheme}) {
    box->removeEventFilter(this);
    box->view()->removeEventFilter(this);
    box->view()->viewport()->removeEventFilter(this);
    box->disconnect(this);
  }
}

void TCfgForm::BuildControls() {
  setObjectName(QStringLiteral("CfgForm"));
  setWindowTitle(QStringLiteral("Exportservice"));
  setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                 Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint | Qt::WindowStaysOnTopHint);
  setFixedSize(546, 535);
  setFont(FormFont(kFontPixels));
  QPalette palette = this->palette();
  palette.setColor(QPalette::Window, ToQColor(kFormColor));
  setPalette(palette);
  setAutoFillBackground(true);

  QRTInfoPanel1 = CreateInfoPanel(this);
  QRTInfoPanel1->setObjectName(QStringLiteral("QRTInfoPanel1"));

  pc_Exportservice = CreatePageControl(this);
  pc_Exportservice->setObjectName(QStringLiteral("pc_Exportservice"));
  pc_Exportservice->setGeometry(8, 71, 529, 424);
  ts_Process = AddPage(pc_Exportservice, "ts_Process", u"Process", &Panel2, "Panel2");
  ts_z9 = AddPage(pc_Exportservice, "ts_z9", u"DRAV", &Panel3, "Panel3");
  ts_File = AddPage(pc_Exportservice, "ts_File", u"File", &Panel1, "Panel1");
  ts_About = AddPage(pc_Exportservice, "ts_About", u"About", nullptr, nullptr);
  QRTAboutPanel1 = CreateAboutPanel(ts_About);
  QRTAboutPanel1->setObjectName(QStringLiteral("QRTAboutPanel1"));

  // Process, in tab order.
  QWidget* p = Panel2;
  cb_State = MakeCombo(p, "cb_State", 128, 16, 153, {u"IDLE", u"ONHOLD", u"ERROR"});
  cb_Task = MakeCombo(p, "cb_Task", 128, 40, 153, {u"EXPORT", u"PLUMO"});
  cb_Priority = MakeCombo(p, "cb_Priority", 128, 64, 153,
                          {u"Idle", u"Lowest", u"Lower", u"Normal", u"Higher", u"Highest", u"Timecritical"},
                          false);
  edt_Application = MakeEdit(p, "edt_Application", 128, 97, 377);
  edt_project = MakeCombo(p, "edt_project", 128, 121, 377, {});
  cb_Convert = MakeCombo(p, "cb_Convert", 128, 153, 377, {});
  cb_Script = MakeCombo(p, "cb_Script", 128, 186, 377, {});
  cb_Post = MakeCombo(p, "cb_Post", 128, 210, 377, {});
  edt_ExportTitle = MakeEdit(p, "edt_ExportTitle", 128, 243, 377);
  cb_ExportService = MakeCombo(p, "cb_ExportService", 128, 267, 377, {});
  cb_EScheme = MakeCombo(p, "cb_EScheme", 128, 291, 377, {});
  edt_Destination = MakeEdit(p, "edt_Destination", 128, 324, 377);
  cb_newdocid = MakeCheck(p, "cb_newdocid", u"Generate new document id", 128, 359, 217);
  lbl_State = MakeLabel(p, "lbl_State", u"State", 16, 16, true);
  lbl_Task = MakeLabel(p, "lbl_Task", u"Task", 16, 40, true);
  lbl_Priority = MakeLabel(p, "lbl_Priority", u"Priority", 16, 64, true);
  lbl_Application = MakeLabel(p, "lbl_Application", u"Application", 16, 97, false);
  lbl_Project = MakeLabel(p, "lbl_Project", u"Project", 16, 121, false);
  lbl_Convert = MakeLabel(p, "lbl_Convert", u"Conversion scheme", 16, 153, false);
  lbl_Script = MakeLabel(p, "lbl_Script", u"Script scheme", 16, 186, false);
  lbl_Post = MakeLabel(p, "lbl_Post", u"Post script scheme", 16, 210, false);
  lbl_ExportTitle = MakeLabel(p, "lbl_ExportTitle", u"Export title", 16, 243, false);
  lbl_ExportService = MakeLabel(p, "lbl_ExportService", u"Export service", 16, 267, false);
  lbl_EScheme = MakeLabel(p, "lbl_EScheme", u"Export scheme", 16, 291, false);
  lbl_Destination = MakeLabel(p, "lbl_Destination", u"Destination", 16, 324, false);
  QWidget* order[] = {cb_State,    cb_Task,         cb_Priority,      edt_Application, edt_project,
                      cb_Convert,  cb_Script,       cb_Post,          edt_ExportTitle, cb_ExportService,
                      cb_EScheme,  edt_Destination, cb_newdocid};
  for (size_t i = 1; i < std::size(order); ++i) setTabOrder(order[i - 1], order[i]);

  // DRAV
  edt_Server = MakeCombo(Panel3, "edt_Server", 96, 16, 417, {});
  lbl_Server = MakeLabel(Panel3, "lbl_Server", u"Server url", 16, 16, true);

  // File
  edt_Importfile = MakeEdit(Panel1, "edt_Importfile", 96, 16, 417);
  cb_Include = MakeCheck(Panel1, "cb_Include", u"Include advanced options (XML)", 96, 43, 217);
  cb_ByRef = MakeCheck(Panel1, "cb_ByRef", u"Blobs by reference", 96, 59, 217);
  lbl_Importfile = MakeLabel(Panel1, "lbl_Importfile", u"Import file ", 16, 16, true);
  Label1 = MakeLabel(Panel1, "Label1", u"Use default placeholders and %docid in path.", 96, 96, false);
  Label1->setGeometry(96, 96, Label1->sizeHint().width(), kLabelHeight);
  Label1->setEnabled(false);

  btn_OK = new QPushButton(QStringLiteral("Ok"), this);
  btn_OK->setObjectName(QStringLiteral("btn_OK"));
  btn_OK->setFont(FormFont(kFontPixels, true));
  btn_OK->setGeometry(383, 501, 75, 25);
  btn_OK->setDefault(true);
  btn_Cancel = new QPushButton(QStringLiteral("Cancel"), this);
  btn_Cancel->setObjectName(QStringLiteral("btn_Cancel"));
  btn_Cancel->setGeometry(463, 501, 75, 25);
  btn_Cancel->setAutoDefault(false);
  connect(btn_OK, &QPushButton::clicked, this, &QDialog::accept);
  connect(btn_Cancel, &QPushButton::clicked, this, &QDialog::reject);

  WatchPicks(cb_ExportService, &TCfgForm::cb_ExportServiceSelect);
  WatchPicks(cb_EScheme, &TCfgForm::cb_ESchemeSelect);
  auto* app = qobject_cast<QApplication*>(QCoreApplication::instance());
  if (app != nullptr) {
    focusWatch_ = connect(app, &QApplication::focusChanged, this, [this](QWidget* Old, QWidget* Now) {
      if (Old == edt_Importfile && Now != nullptr && Now != edt_Importfile && Now->window() == this)
        edt_ImportfileExit();
    });
  }
}

// A selection handler answers picks from the list only. Qt emits
// "activated" for those, but also when editing ends (Return, focus leaving)
// with a text equal to an entry; so the box's own events say whether a
// pick is under way: a key that moves through the list, the wheel, or an
// action inside the popup.
void TCfgForm::WatchPicks(QComboBox* Box, void (TCfgForm::*Handler)()) {
  Box->installEventFilter(this);
  Box->view()->installEventFilter(this);
  Box->view()->viewport()->installEventFilter(this);
  connect(Box, &QComboBox::activated, this, [this, Box, Handler](int) {
    const bool pick = picking_ == Box;
    picking_ = nullptr;
    if (pick) (this->*Handler)();
  });
}

bool TCfgForm::eventFilter(QObject* Watched, QEvent* Event) {
  QComboBox* box = nullptr;
  for (QComboBox* candidate : {cb_ExportService, cb_EScheme}) {
    if (Watched == candidate || Watched == candidate->view() || Watched == candidate->view()->viewport())
      box = candidate;
  }
  if (box != nullptr) {
    bool pick = false;
    const bool inList = Watched != box;
    switch (Event->type()) {
      case QEvent::KeyPress: {
        const int key = static_cast<QKeyEvent*>(Event)->key();
        pick = inList || key == Qt::Key_Up || key == Qt::Key_Down || key == Qt::Key_PageUp ||
               key == Qt::Key_PageDown;
        break;
      }
      case QEvent::Wheel:
        pick = !inList;
        break;
      case QEvent::MouseButtonPress:
      case QEvent::MouseButtonRelease:
        pick = inList;
        break;
      default:
        break;
    }
    if (pick) {
      picking_ = box;
      QTimer::singleShot(0, this, [this, box] {
        if (picking_ == box) picking_ = nullptr;
      });
    }
  }
  return QDialog::eventFilter(Watched, Event);
}

void TCfgForm::showEvent(QShowEvent* Event) {
  if (!centred_) {
    centred_ = true;
    if (QScreen* s = screen()) {
      QRect frame = frameGeometry();
      frame.moveCenter(s->availableGeometry().center());
      move(frame.topLeft());
    }
  }
  QDialog::showEvent(Event);
}

void TCfgForm::FormCreate() {
  for (TkxPanel* panel : findChildren<TkxPanel*>()) panel->SetParentBackground(false);
  pc_Exportservice->SetActivePage(ts_Process);
  {
    WaitCursor wait;
    FillSchemeLists();
  }
  edt_Server->addItem(ToQString(GetDefaultServerUrl()));
  // Items put into an empty box select the first one; the dialog starts
  // with nothing chosen.
  for (QComboBox* box : findChildren<QComboBox*>()) {
    box->setCurrentIndex(-1);
    if (box->isEditable()) box->clearEditText();
  }
  TkxStyler::UpdateForm(this);
}

void TCfgForm::FillSchemeLists() {
  struct Release {
    std::unique_ptr<TCfgStore>& store;
    ~Release() { store.reset(); }
  } release{ConfigManager};
  try {
    ConfigManager = MakeStore(true);
    TCfgStore& store = *ConfigManager;
    std::vector<TCfgStoreNode> nodes;
    if (store.IsConnected() &&
        store.GetRecursiveChildNodes(u"/vanto/Engines/Export", nodes, true, true, false)) {
      for (const TCfgStoreNode& node : nodes) {
        if (!store.ChildNodesExists(node.Key)) cb_ExportService->addItem(ToQString(u"/" + node.RelKey));
      }
    }
    const std::pair<const char16_t*, QComboBox*> lists[] = {
        {u"/vanto/Schemes/Conversion", cb_Convert},
        {u"/vanto/Schemes/Export", cb_EScheme},
        {u"/vanto/Schemes/Scripting", cb_Script},
        {u"/vanto/Schemes/Scripting", cb_Post},
        {u"/vanto/Software/vanto Plumo/Projects", edt_project},
    };
    for (const auto& [key, box] : lists) {
      if (store.IsConnected() && store.GetChildNodes(key, nodes, false)) AddNodes(box, nodes);
    }
  } catch (...) {
    // Nothing of the filling reaches the user; the lists filled so far stay.
  }
}

UnicodeString TCfgForm::GetDefaultServerUrl() {
  try {
    std::unique_ptr<TCfgStore> store = MakeStore(false);
    // Every read of an unreachable store would wait for the connection
    // again; the answer would be this default anyway.
    if (!store->IsConnected()) return DefaultServiceUrl(kxESVC_DRAV, false);
    return store->GetServiceUrl(kxESVC_DRAV, 0, 0);
  } catch (...) {
    return {};
  }
}

void TCfgForm::edt_ImportfileExit() {
  const UnicodeString text = FromQString(edt_Importfile->text());
  if (!text.empty()) edt_Importfile->setText(ToQString(kx::platform::ChangeFileExt(text, u".xml")));
}

void TCfgForm::cb_ExportServiceSelect() {
  if (!cb_ExportService->currentText().isEmpty()) cb_EScheme->setEditText(QString());
}

void TCfgForm::cb_ESchemeSelect() {
  if (!cb_EScheme->currentText().isEmpty()) cb_ExportService->setEditText(QString());
}
