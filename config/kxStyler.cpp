#include "config/kxStyler.h"

#include <QAbstractButton>
#include <QAbstractEventDispatcher>
#include <QApplication>
#include <QFont>
#include <QLabel>
#include <QListView>
#include <QMetaProperty>
#include <QPlainTextEdit>
#include <QScrollArea>
#include <QTextEdit>
#include <QThread>
#include <QToolButton>
#include <QTreeView>

#include <algorithm>
#include <set>

#include "config/xpPages.h"
#include "environment/kxVanto_Paths.h"
#include "platform/ui/GuiHost.h"
#include "platform/ui/Panel.h"
#include "platform/ui/QtConvert.h"

namespace ui = kx::platform::ui;

namespace kxStyler {
namespace {

// ChangeFont's values, at hand for the walks.
struct FontChange {
  UnicodeString FontName;
  int32_t SizeDelta = 0;
  UnicodeString PreserveFonts;  // ends with ","
};
FontChange& CurrentChange() {
  static FontChange change;
  return change;
}

// Function-local: the plug-in's load list may run before the library's
// dynamic initialisers.
std::optional<bool>& ThemedForTesting() {
  static std::optional<bool> themed;
  return themed;
}
std::unique_ptr<TVistaAltFix>& Fix() {
  static std::unique_ptr<TVistaAltFix> fix;
  return fix;
}

bool Contains(const QString& Text, const char* Part) { return Text.contains(QLatin1String(Part)); }

bool IsObjectList(const QMetaProperty& Property) {
  return Property.metaType() == QMetaType::fromType<QObjectList>() ||
         Property.metaType() == QMetaType::fromType<QList<QObject*>>();
}

bool IsObject(const QMetaProperty& Property) {
  return (Property.metaType().flags() & QMetaType::PointerToQObject) != 0;
}

bool IsFont(const QMetaProperty& Property) { return Property.metaType().id() == QMetaType::QFont; }

// The font with the change applied, or nullopt when it is preserved.
std::optional<QFont> ChangedFont(const QFont& Font) {
  const FontChange& change = CurrentChange();
  const UnicodeString name = ui::FromQString(Font.family());
  if (change.PreserveFonts.find(name + u",") != UnicodeString::npos) return std::nullopt;
  TFont font = ui::FromQFont(Font);
  font.SetName(change.FontName);
  if (change.SizeDelta != 0) font.SetSize(font.Size() + change.SizeDelta);
  QFont result = Font;
  result.setFamily(ui::ToQString(font.Name()));
  result.setPixelSize(std::max(1, -font.Height()));
  return result;
}

void FontWalk(QObject* Obj, UnicodeString RootObjectName, int32_t Level, std::set<QObject*>& Visited) {
  if (Obj == nullptr || !Visited.insert(Obj).second) return;
  ++Level;
  const UnicodeString name = ui::FromQString(Obj->objectName());
  if (name == RootObjectName) return;
  if (Level == 1) RootObjectName = name;
  const QMetaObject* meta = Obj->metaObject();
  for (int i = 0; i < meta->propertyCount(); ++i) {
    const QMetaProperty property = meta->property(i);
    const QString propertyName = QString::fromLatin1(property.name());
    if (IsFont(property)) {
      if (const auto font = ChangedFont(property.read(Obj).value<QFont>())) property.write(Obj, *font);
    } else if (IsObjectList(property)) {
      for (QObject* item : property.read(Obj).value<QObjectList>()) FontWalk(item, RootObjectName, Level, Visited);
    } else if (IsObject(property)) {
      QObject* object = property.read(Obj).value<QObject*>();
      if (object == nullptr || Contains(propertyName, "Parent") || Contains(propertyName, "Items")) continue;
      try {
        FontWalk(object, RootObjectName, Level, Visited);
      } catch (...) {
      }
    }
  }
}

TTypeKind KindOf(const QMetaProperty& Property) {
  if (Property.isFlagType()) return tkSet;
  if (Property.isEnumType()) return tkEnumeration;
  if (IsFont(Property) || IsObject(Property) || IsObjectList(Property)) return tkClass;
  switch (Property.metaType().id()) {
    case QMetaType::Bool: return tkEnumeration;
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::Short:
    case QMetaType::UShort:
    case QMetaType::QColor: return tkInteger;
    case QMetaType::LongLong:
    case QMetaType::ULongLong: return tkInt64;
    case QMetaType::Double:
    case QMetaType::Float: return tkFloat;
    case QMetaType::QChar: return tkWChar;
    case QMetaType::QString: return tkUString;
    case QMetaType::QVariant: return tkVariant;
    case QMetaType::QStringList: return tkDynArray;
    default: return tkRecord;
  }
}

Variant ValueOf(const QMetaProperty& Property, const QVariant& Value) {
  if (Property.isEnumType() || Property.isFlagType()) return Variant::FromInteger(Value.toInt());
  if (IsObject(Property)) return Variant::FromInt64(int64_t(reinterpret_cast<intptr_t>(Value.value<QObject*>())));
  switch (Property.metaType().id()) {
    case QMetaType::Bool: return Variant::FromBoolean(Value.toBool());
    case QMetaType::Int:
    case QMetaType::Short:
    case QMetaType::UShort: return Variant::FromInteger(Value.toInt());
    case QMetaType::UInt: return Variant::FromLongWord(Value.toUInt());
    case QMetaType::QColor: return Variant::FromInteger(ui::FromQColor(Value.value<QColor>()));
    case QMetaType::LongLong: return Variant::FromInt64(Value.toLongLong());
    case QMetaType::ULongLong: return Variant::FromUInt64(Value.toULongLong());
    case QMetaType::Double:
    case QMetaType::Float: return Variant::FromDouble(Value.toDouble());
    case QMetaType::QChar:
    case QMetaType::QString: return Variant::FromUString(ui::FromQString(Value.toString()));
    default: return Variant();
  }
}

// A font's own properties, as the platform's font object has them.
void ReportFont(const QFont& Font, const UnicodeString& Path, const TkxPropertyCallBackProc& CallBack) {
  if (!CallBack) return;
  const TFont font = ui::FromQFont(Font);
  CallBack(Path + u".Height", u"Height", tkInteger, Variant::FromInteger(font.Height()));
  CallBack(Path + u".Name", u"Name", tkUString, Variant::FromUString(font.Name()));
  CallBack(Path + u".Size", u"Size", tkInteger, Variant::FromInteger(font.Size()));
  CallBack(Path + u".Style", u"Style", tkSet, Variant::FromInteger(font.Style()));
}

void PropertyWalk(QObject* Obj, UnicodeString RootObjectName, UnicodeString Path, int32_t Level, bool ShowEvents,
                  const TkxPropertyCallBackProc& CallBack, std::set<QObject*>& Visited) {
  if (Obj == nullptr || !Visited.insert(Obj).second) return;
  ++Level;
  const UnicodeString name = ui::FromQString(Obj->objectName());
  if (name == RootObjectName) return;
  if (Level == 1) {
    RootObjectName = name;
    Path = name;
  }
  const QMetaObject* meta = Obj->metaObject();
  for (int i = 0; i < meta->propertyCount(); ++i) {
    const QMetaProperty property = meta->property(i);
    const UnicodeString propertyName = ui::FromQString(QString::fromLatin1(property.name()));
    const UnicodeString fullPath = Path + u"." + propertyName;
    const QVariant value = property.read(Obj);
    if (CallBack) CallBack(fullPath, propertyName, KindOf(property), ValueOf(property, value));
    if (IsFont(property)) {
      ReportFont(value.value<QFont>(), fullPath, CallBack);
    } else if (IsObjectList(property)) {
      for (QObject* item : value.value<QObjectList>())
        PropertyWalk(item, RootObjectName, fullPath, Level, ShowEvents, CallBack, Visited);
    } else if (IsObject(property)) {
      QObject* object = value.value<QObject*>();
      if (object == nullptr || std::string_view(property.typeName()) == "TChartSeriesList" ||
          propertyName.find(u"Parent") != UnicodeString::npos)
        continue;
      try {
        PropertyWalk(object, RootObjectName, fullPath, Level, ShowEvents, CallBack, Visited);
      } catch (...) {
      }
    }
  }
  if (!ShowEvents || !CallBack) return;
  std::set<QByteArray> events;
  for (int i = 0; i < meta->methodCount(); ++i) {
    const QMetaMethod method = meta->method(i);
    if (method.methodType() != QMetaMethod::Signal || !events.insert(method.name()).second) continue;
    const UnicodeString eventName = ui::FromQString(QString::fromLatin1(method.name()));
    CallBack(Path + u"." + eventName, eventName, tkMethod, Variant());
  }
}

void CollectComponents(QObject* Owner, std::vector<QObject*>& Found) {
  for (QObject* child : Owner->children()) {
    if (child->isWidgetType() || qobject_cast<TImageList*>(child) != nullptr) Found.push_back(child);
    CollectComponents(child, Found);
  }
}

std::vector<QWidget*> ApplicationOwnedForms() {
  std::vector<QWidget*> forms;
  for (QWidget* form : ui::ApplicationForms())
    if (form->isWindow()) forms.push_back(form);
  return forms;
}

}  // namespace

std::vector<QObject*> OwnedComponents(QObject* Owner) {
  std::vector<QObject*> found;
  if (Owner != nullptr) CollectComponents(Owner, found);
  return found;
}

bool IsWindowed(const QObject* Component) {
  return Component != nullptr && Component->isWidgetType() && qobject_cast<const QLabel*>(Component) == nullptr &&
         qobject_cast<const QToolButton*>(Component) == nullptr;
}

void PrepareForm(QWidget* Form) {
  if (Form == nullptr) return;
  Form->setProperty("Scaled", false);
  Form->setProperty("AutoScroll", false);
  Form->setProperty("AutoSize", false);
  Form->setProperty("DoubleBuffered", true);
  for (QObject* component : OwnedComponents(Form)) {
    if (IsWindowed(component)) component->setProperty("DoubleBuffered", true);
    if (auto* panel = qobject_cast<ui::TkxPanel*>(component)) {
      panel->SetParentBackground(false);
      panel->setProperty("DoubleBuffered", true);
      panel->setProperty("FullRepaint", false);
    } else if (qobject_cast<QPlainTextEdit*>(component) != nullptr || qobject_cast<QListView*>(component) != nullptr ||
               qobject_cast<QTreeView*>(component) != nullptr || qobject_cast<QScrollArea*>(component) != nullptr) {
      component->setProperty("DoubleBuffered", true);
    } else if (qobject_cast<QToolButton*>(component) != nullptr) {
    } else if (auto* pages = qobject_cast<TxpPageControl*>(component)) {
      pages->SetTabHeight(24);
      pages->setProperty("DoubleBuffered", true);
      pages->setProperty("ParentDoubleBuffered", false);
    } else if (qobject_cast<TxpTabSheet*>(component) != nullptr) {
      component->setProperty("DoubleBuffered", true);
    } else if (qobject_cast<QTextEdit*>(component) != nullptr) {
      component->setProperty("DoubleBuffered", false);
    }
  }
}

void PrepareAllForms() {
  for (QWidget* form : ApplicationOwnedForms()) PrepareForm(form);
}

void ApplyFontToObject(QObject* Obj, const UnicodeString& RootObjectName, int32_t Level) {
  std::set<QObject*> visited;
  FontWalk(Obj, RootObjectName, Level, visited);
}

void ApplyFontToComponentTree(QObject* Component) {
  ApplyFontToObject(Component, u"", 0);
  for (QObject* component : OwnedComponents(Component)) ApplyFontToObject(component, u"", 0);
}

void StylerActivate() {
  // The GUI host has removed the hook before calling: later activations go
  // on as before.
  TkxStyler::Update();
}

bool IsThemedVistaOrLater() { return ThemedForTesting().value_or(false); }
void SetThemedForTesting(std::optional<bool> Themed) { ThemedForTesting() = Themed; }

QEvent::Type KeyboardCuesEvent() {
  static const QEvent::Type type = QEvent::Type(QEvent::registerEventType());
  return type;
}

void RepaintAllControls(QWidget* Control) {
  if (!IsWindowed(Control)) return;
  Control->repaint();
  for (QObject* child : Control->children())
    if (child->isWidgetType()) RepaintAllControls(static_cast<QWidget*>(child));
}

void RepaintVisibleControls(QWidget* Control) {
  if (!IsWindowed(Control)) return;
  if (qobject_cast<QAbstractButton*>(Control) != nullptr) {
    Control->repaint();
    return;
  }
  if (auto* sheet = qobject_cast<TxpTabSheet*>(Control)) {
    if (sheet->PageControl() == nullptr || sheet->PageControl()->ActivePage() != sheet) return;
  }
  for (QObject* child : Control->children())
    if (child->isWidgetType()) RepaintVisibleControls(static_cast<QWidget*>(child));
}

TVistaAltFix* VistaAltFix() { return Fix().get(); }

void InitializeModule() {
  InitializeStyleDefinition();
  ui::SetActivationHook(&StylerActivate);
  Fix() = std::make_unique<TVistaAltFix>(nullptr);
}

void FinalizeModule() {
  try {
    ui::ClearActivationHook();
    Fix().reset();
  } catch (...) {
  }
  FinalizeStyleDefinition();
}

}  // namespace kxStyler

namespace TkxStyler {

void UpdateForm(QWidget* Form) { kxStyler::PrepareForm(Form); }

void Update() {
  if (TkxVanto::StyleDefinitionExists()) {
    const TkxCommonStyleDefinition& common = kxStyler::StyleDefinition().Common;
    ChangeFont(DefaultFont().Name(), common.FontSizeDelta, common.PreserveFonts);
  }
  kxStyler::PrepareAllForms();
}

void ChangeFont(const UnicodeString& FontName, int32_t SizeDelta, const UnicodeString& PreserveFonts) {
  kxStyler::CurrentChange() = {FontName, SizeDelta, PreserveFonts + u","};
  for (QWidget* form : kxStyler::ApplicationOwnedForms()) {
    kxStyler::ApplyFontToComponentTree(form);
    form->update();
  }
}

void GetProperties(QObject* ProcessObj, const UnicodeString& RootObjectName, const UnicodeString& Path,
                   int32_t Level, bool ShowEvents, const TkxPropertyCallBackProc& CallBackProc) {
  std::set<QObject*> visited;
  kxStyler::PropertyWalk(ProcessObj, RootObjectName, Path, Level, ShowEvents, CallBackProc, visited);
}

}  // namespace TkxStyler

// ---- The repaint fix ---------------------------------------------------------------

// Notes the keyboard-cue event after the form has had it.
class TFormObj::Watcher : public QObject {
 public:
  explicit Watcher(TFormObj* Owner) : owner_(Owner) {}
  bool eventFilter(QObject*, QEvent* Event) override {
    if (Event->type() == kxStyler::KeyboardCuesEvent()) owner_->NeedRepaint = true;
    return false;  // the form handles the event as before
  }

 private:
  TFormObj* owner_;
};

TFormObj::TFormObj(QWidget* aForm, bool aRepaintAll)
    : Form(aForm), Used(true), RepaintAll(aRepaintAll), watcher_(std::make_unique<Watcher>(this)) {
  if (aForm != nullptr) aForm->installEventFilter(watcher_.get());
}

TFormObj::~TFormObj() {
  if (Form) Form->removeEventFilter(watcher_.get());
}

void TFormObj::DoRepaint() {
  if (!NeedRepaint) return;
  NeedRepaint = false;
  if (!Form) return;
  if (RepaintAll)
    kxStyler::RepaintAllControls(Form);
  else
    kxStyler::RepaintVisibleControls(Form);
}

TVistaAltFix::TVistaAltFix(QObject* AOwner) {
  (void)AOwner;
  FRepaintAll = true;
  if (!kxStyler::IsThemedVistaOrLater()) return;  // inert
  QAbstractEventDispatcher* dispatcher = QAbstractEventDispatcher::instance();
  if (dispatcher == nullptr) return;
  FList = std::make_unique<std::vector<std::unique_ptr<TFormObj>>>();
  auto* events = new QObject;
  QObject::connect(dispatcher, &QAbstractEventDispatcher::aboutToBlock, events, [this] { VistaAltFixIdle(); });
  FApplicationEvents = events;
}

TVistaAltFix::~TVistaAltFix() {
  if (QObject* events = FApplicationEvents.data()) {
    if (events->thread() == QThread::currentThread())
      delete events;
    else
      events->deleteLater();  // on its own thread
  }
  FList.reset();
}

void TVistaAltFix::VistaAltFixIdle() {
  if (!FList) return;
  for (auto& entry : *FList) entry->Used = false;
  for (QWidget* form : QApplication::topLevelWidgets()) {
    if (!form->isWindow()) continue;
    const auto it = std::find_if(FList->begin(), FList->end(), [&](const auto& e) { return e->Form == form; });
    if (it != FList->end())
      (*it)->Used = true;
    else
      FList->push_back(std::make_unique<TFormObj>(form, FRepaintAll));
  }
  for (size_t i = FList->size(); i-- > 0;) {
    if ((*FList)[i]->Used)
      (*FList)[i]->DoRepaint();
    else
      FList->erase(FList->begin() + std::ptrdiff_t(i));
  }
}
