// config/ConfigUnit.h — TCfgForm, the plug-in's settings dialog: a fixed-size
// window of 546 x 535 pixels with four pages (Process, DRAV, File, About)
// holding the seventeen plug-in settings. Made, used and freed on the GUI
// thread (platform/ui/GuiHost.h); command 800 drives it through
// config/ConfigUnit_SettingsForm.h.
//
// Creating the dialog runs FormCreate: the choice lists are filled from the
// configuration tree, the queue server's address becomes the one entry of
// edt_Server's list, and every combo box then shows no selection and an
// empty text. Nothing of the filling reaches the user: an unreachable
// database or any error leaves the tree lists empty.
//
// Every control carries its field name as objectName. Edits are QLineEdits,
// combo boxes editable QComboBoxes that take any text (cb_Priority alone is a
// fixed list), panels platform/ui/Panel.h.
//
// Handlers, as far as the user acts:
//   - picking an export scheme from the list (popup, arrow keys, wheel)
//     empties the export service box, and the other way round; typing, even
//     a text equal to an entry, clears nothing;
//   - when focus moves from edt_Importfile to another control of the dialog,
//     a text that is not empty gets the extension ".xml" (replaced or
//     appended).
#pragma once

#include <QDialog>

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "platform/rtl/Text.h"
#include "system/kxTypes_Enums.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QWidget;

namespace kx::platform::ui {
class TkxPanel;
}
class TxpPageControl;
class TxpTabSheet;
class TQRTInfoPanel;
class TQRTAboutPanel;

// A node as the dialog's lists need it (the store's node: Name encoded, Key
// prepared, RelKey relative to the query's start).
struct TCfgStoreNode {
  UnicodeString Name;
  UnicodeString Key;
  UnicodeString RelKey;
};

// What the dialog asks of a configuration store: the store's own operations
// of these names. Failures come as false answers or exceptions, as the
// store gives them.
class TCfgStore {
 public:
  virtual ~TCfgStore() = default;
  virtual bool IsConnected() = 0;
  virtual bool GetChildNodes(const UnicodeString& Key, std::vector<TCfgStoreNode>& NodeList,
                             bool Create) = 0;
  virtual bool GetRecursiveChildNodes(const UnicodeString& RootKey,
                                      std::vector<TCfgStoreNode>& NodeList, bool AddParentNodes,
                                      bool AddRootNodes, bool AddRootKey) = 0;
  virtual bool ChildNodesExists(const UnicodeString& Key) = 0;
  virtual UnicodeString GetServiceUrl(TkxEnterpriseService Service, int32_t ClusterNode,
                                      int32_t InstanceId) = 0;
};

// Makes a store for the dialog. ForLists: the store of the choice lists,
// with BackupChanges off and CacheEnabled on; else the store keeps its
// defaults.
using TCfgStoreFactory = std::function<std::unique_ptr<TCfgStore>(bool ForLists)>;
// nullptr restores the dialog's own store: NewConfigManagerStore on the
// installation's configuration database.
void SetCfgStoreFactoryForTesting(TCfgStoreFactory Factory);

// The store over TkxConfigManager (no z9Init). The dialog's own store uses
// the installation's database (empty ConnectionString) and the table
// "kx_configuration".
std::unique_ptr<TCfgStore> NewConfigManagerStore(bool ForLists, const UnicodeString& ConnectionString = u"",
                                                 const UnicodeString& TableName = u"kx_configuration");

class TCfgForm : public QDialog {
 public:
  // A dialog without owner; runs FormCreate.
  TCfgForm();
  ~TCfgForm() override;

  TxpPageControl* pc_Exportservice = nullptr;
  TxpTabSheet* ts_About = nullptr;
  QPushButton* btn_OK = nullptr;
  QPushButton* btn_Cancel = nullptr;
  TxpTabSheet* ts_File = nullptr;
  QLineEdit* edt_Importfile = nullptr;
  QLabel* lbl_Importfile = nullptr;
  TxpTabSheet* ts_z9 = nullptr;
  kx::platform::ui::TkxPanel* Panel1 = nullptr;
  TxpTabSheet* ts_Process = nullptr;
  kx::platform::ui::TkxPanel* Panel2 = nullptr;
  QCheckBox* cb_Include = nullptr;
  QLabel* lbl_State = nullptr;
  QLabel* lbl_Task = nullptr;
  QLabel* lbl_Priority = nullptr;
  QLabel* lbl_Application = nullptr;
  QLabel* lbl_Destination = nullptr;
  QLabel* lbl_ExportTitle = nullptr;
  QLabel* lbl_ExportService = nullptr;
  QLabel* lbl_Convert = nullptr;
  QLabel* lbl_Script = nullptr;
  QLabel* lbl_Post = nullptr;
  QLabel* lbl_EScheme = nullptr;
  QLabel* lbl_Project = nullptr;
  QLineEdit* edt_Application = nullptr;
  QLineEdit* edt_Destination = nullptr;
  QLineEdit* edt_ExportTitle = nullptr;
  QComboBox* cb_State = nullptr;
  QComboBox* cb_Task = nullptr;
  QComboBox* cb_Convert = nullptr;
  QComboBox* cb_Script = nullptr;
  QComboBox* cb_Post = nullptr;
  QComboBox* cb_ExportService = nullptr;
  QComboBox* cb_EScheme = nullptr;
  QComboBox* cb_Priority = nullptr;
  QLabel* lbl_Server = nullptr;
  QCheckBox* cb_ByRef = nullptr;
  TQRTInfoPanel* QRTInfoPanel1 = nullptr;
  TQRTAboutPanel* QRTAboutPanel1 = nullptr;
  QComboBox* edt_Server = nullptr;
  QCheckBox* cb_newdocid = nullptr;
  QComboBox* edt_project = nullptr;
  QLabel* Label1 = nullptr;

  void FormCreate();
  void FillSchemeLists();
  UnicodeString GetDefaultServerUrl();
  void edt_ImportfileExit();
  void cb_ExportServiceSelect();
  void cb_ESchemeSelect();

 protected:
  void showEvent(QShowEvent* Event) override;
  bool eventFilter(QObject* Watched, QEvent* Event) override;

 private:
  void BuildControls();
  void WatchPicks(QComboBox* Box, void (TCfgForm::*Handler)());

  kx::platform::ui::TkxPanel* Panel3 = nullptr;  // the DRAV page's panel
  std::unique_ptr<TCfgStore> ConfigManager;      // only while the lists fill
  bool centred_ = false;
  QComboBox* picking_ = nullptr;  // a list pick in this box is under way
  QMetaObject::Connection focusWatch_;
};
