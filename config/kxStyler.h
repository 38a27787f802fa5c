// config/kxStyler.h — one look for the library's forms: the style's font
// (config/kxStyler_Definition.h) on the forms the application owns, display
// settings per form, a report of an object tree's properties, and a repaint
// fix for forms whose keyboard cues change.
//
// In Qt terms:
//   - "the forms the application owns" are the GUI host's application forms
//     (platform/ui/GuiHost.h); the settings dialog has no owner, so neither
//     ChangeFont nor PrepareAllForms reaches it;
//   - "the components a form owns" are its widgets (and image lists), all of
//     them, depth first in the order of their parents' child lists;
//   - a component's Name is its objectName;
//   - "published properties" are the meta-object's properties, base classes
//     first; a QFont value is a font, a QObject* value an object, a list of
//     objects a collection; events are the meta-object's signals;
//   - flags without a Qt effect (DoubleBuffered, ParentDoubleBuffered,
//     Scaled, AutoScroll, AutoSize, FullRepaint) are dynamic properties of
//     those names;
//   - windowed controls are all widgets but labels and tool buttons.
//
// The walks keep a set of the objects visited, so objects that lead in a
// circle are walked once.
#pragma once

#include <QEvent>
#include <QObject>
#include <QPointer>
#include <QWidget>

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include "config/kxStyler_Definition.h"
#include "platform/rtl/Text.h"
#include "platform/rtl/Variant.h"

// The platform's kinds of property types, in its order.
enum TTypeKind : uint8_t {
  tkUnknown,
  tkInteger,
  tkChar,
  tkEnumeration,
  tkFloat,
  tkString,
  tkSet,
  tkClass,
  tkMethod,
  tkWChar,
  tkLString,
  tkWString,
  tkVariant,
  tkArray,
  tkRecord,
  tkInterface,
  tkInt64,
  tkDynArray,
  tkUString,
  tkClassRef,
  tkPointer,
  tkProcedure,
  tkMRecord
};

// Called once per reported property: its path (root name, then "." and
// property names), its name, its type kind and its value (enumerations and
// sets as numbers; objects as their address, events and fonts Empty).
using TkxPropertyCallBackProc = std::function<void(const UnicodeString& Path, const UnicodeString& Name,
                                                   TTypeKind TypeKind, const Variant& Value)>;

namespace TkxStyler {

// PrepareForm (Form); changes no font.
void UpdateForm(QWidget* Form);
// With a style file: ChangeFont with the style's font name, size delta and
// preserved fonts. Then, in every case, PrepareAllForms.
void Update();
// Sets the fonts of every form the application owns and repaints them: each
// font whose name + "," does not occur (case-sensitive) in PreserveFonts +
// "," takes FontName, and, when SizeDelta is not 0, its size + SizeDelta.
// Every owned component is the root of its own walk; a component without a
// name is left alone with everything below it.
void ChangeFont(const UnicodeString& FontName, int32_t SizeDelta, const UnicodeString& PreserveFonts);
// Reports the properties of ProcessObj and the objects below it (see the
// top); an error inside an object property's walk is swallowed.
void GetProperties(QObject* ProcessObj, const UnicodeString& RootObjectName, const UnicodeString& Path,
                   int32_t Level, bool ShowEvents, const TkxPropertyCallBackProc& CallBackProc);

}  // namespace TkxStyler

namespace kxStyler {

// Display settings: the form's flags, then per component the first case that
// matches (panels paint their own colour, the page control gets tab height
// 24, a rich edit ends without double buffering, ...).
void PrepareForm(QWidget* Form);
void PrepareAllForms();
// The font walks, with ChangeFont's values.
void ApplyFontToComponentTree(QObject* Component);
void ApplyFontToObject(QObject* Obj, const UnicodeString& RootObjectName, int32_t Level);
// The application's first activation: restyles the open forms, once.
void StylerActivate();

std::vector<QObject*> OwnedComponents(QObject* Owner);
bool IsWindowed(const QObject* Component);

// ---- The repaint fix ------------------------------------------------------------

// Whether the fix is wanted: never on Linux (no themed system whose forms
// lose their painting when keyboard cues change); tests force it.
bool IsThemedVistaOrLater();
void SetThemedForTesting(std::optional<bool> Themed);
// The event that stands for the keyboard-cue message (WM_UPDATEUISTATE).
QEvent::Type KeyboardCuesEvent();

void RepaintAllControls(QWidget* Control);
void RepaintVisibleControls(QWidget* Control);

// The "kxStyler" entry of the load list: the style, the activation hook
// handed to the GUI host, the fix. Makes no Qt call (the fix is inert).
void InitializeModule();
// Withdraws the activation hook if it has not run, frees the fix and the
// style.
void FinalizeModule();

}  // namespace kxStyler

// One form watched by the repaint fix.
class TFormObj {
 public:
  TFormObj(QWidget* aForm, bool aRepaintAll);
  ~TFormObj();
  TFormObj(const TFormObj&) = delete;
  TFormObj& operator=(const TFormObj&) = delete;

  QPointer<QWidget> Form;
  bool Used = true;
  bool NeedRepaint = false;
  bool RepaintAll = true;

  // Repaints the form's controls when it received the keyboard-cue event.
  void DoRepaint();

 private:
  class Watcher;
  std::unique_ptr<Watcher> watcher_;  // takes the form's events after them
};

// The repaint fix: inert unless IsThemedVistaOrLater; then each time the GUI
// thread's event loop goes idle it watches the application's windows and
// repaints those that received the keyboard-cue event.
class TVistaAltFix {
 public:
  explicit TVistaAltFix(QObject* AOwner = nullptr);
  ~TVistaAltFix();
  TVistaAltFix(const TVistaAltFix&) = delete;
  TVistaAltFix& operator=(const TVistaAltFix&) = delete;

  bool RepaintAll() const { return FRepaintAll; }
  void SetRepaintAll(bool Value) { FRepaintAll = Value; }
  // Whether the fix is active (has its list and idle handler).
  bool Active() const { return FList != nullptr; }
  const std::vector<std::unique_ptr<TFormObj>>* List() const { return FList.get(); }

  void VistaAltFixIdle();

 private:
  std::unique_ptr<std::vector<std::unique_ptr<TFormObj>>> FList;
  QPointer<QObject> FApplicationEvents;
  bool FRepaintAll = true;
};

namespace kxStyler {
// The module's fix (none before InitializeModule).
TVistaAltFix* VistaAltFix();
}  // namespace kxStyler
