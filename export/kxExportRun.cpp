// export/kxExportRun.cpp — command 600: one document queue record from the
// plug-in state and the hand-over object, saved as a document file or
// uploaded to a queue server.
#include "export/kxExportRun.h"

#include <algorithm>
#include <utility>

#include "export/kxPluginState.h"
#include "export/kxQueueManager_Record.h"
#include "export/kxQueueManager_Tools.h"
#include "platform/file/FileSystem.h"
#include "platform/file/Path.h"
#include "platform/rtl/Exceptions.h"
#include "system/kxFiles_Paths.h"
#include "system/kxToolsEvo2_Identity.h"
#include "text/kxStrings_PlaceHolders.h"
#include "text/kxStrings_Replace.h"
#include "text/kxStrings_Search.h"

namespace kx::plugin {
namespace {

std::function<void(const UnicodeString&)>& NameHook() {
  static std::function<void(const UnicodeString&)> hook;
  return hook;
}

// The first free name for Wanted: Wanted itself, else "-2", "-3", ...
// before the extension. Any entry holds a name, a dot-named document too.
UnicodeString FreeName(const UnicodeString& Wanted) { return kx::platform::FreeFileName(Wanted); }

// A target names a file when it starts with a drive (":\" at the second
// place), a network share ("\\") or the Linux root ("/").
bool IsFileTarget(const UnicodeString& Target) {
  return TkxStrings::PosW(Target, u":\\", 1, false) == 2 || Target.starts_with(u"\\\\") ||
         Target.starts_with(u"/");
}

void FillSettings(TDocumentQueueRecord& q, const TkxPluginState& s) {
  q.Id = TIdType(s.DocId);
  q.State = StrToQueueState(s.State, kxQS_Unknown);
  q.Task = StrToQueueTask(s.Task, kxQT_Unknown);
  q.Priority = s.Priority;
  q.UserName = TkxTools::GetUserName();
  q.Client = TkxTools::GetComputerName();
  q.Application = s.Application;
  q.Project = s.Project;
  q.Destination = s.Destination;
  q.ExportTitle = s.ExportTitle;
  q.ExportService = s.ExportService;
  q.ConvertScheme = s.ConvertScheme;
  q.ScriptScheme = s.ScriptScheme;
  q.ExportScheme = s.ExportScheme;
  q.PostScriptScheme = s.PostScheme;
}

// The record's table has as many rows as the longest hand-over column, so no
// cell is dropped when a later column is longer than the first. Every row
// has one slot per column; a slot no column fills stays empty and is not
// written. The rows' own confidence, zone and page stay 0.
void FillTable(TDocumentQueueRecord& q, const TkxPluginTable& table) {
  if (table.empty()) return;
  size_t rows = 0;
  for (const TkxTableRecord& column : table) {
    q.MetaTableData.Header.push_back({column.Column, column.Column, column.DataType});
    rows = std::max(rows, column.Values.size());
  }
  q.MetaTableData.Rows.resize(rows);
  for (TkxMetaTableDataRow& row : q.MetaTableData.Rows) row.Columns.resize(table.size());
  for (size_t i = 0; i < table.size(); ++i) {
    const TkxTableRecord& column = table[i];
    for (size_t r = 0; r < column.Values.size(); ++r) {
      TkxMetaTableDataColumnField& cell = q.MetaTableData.Rows[r].Columns[i];
      cell.Value = column.Values[r];
      if (r < column.Cells.size()) {
        cell.Confidence = column.Cells[r].Confidence;
        cell.Zone = column.Cells[r].Zone;
        cell.Page = column.Cells[r].Page;
      }
    }
  }
}

// Every slot, active or not: a removed field has an empty name and adds
// nothing.
void FillFields(TDocumentQueueRecord& q, const TkxPluginFields& fields) {
  for (const TkxPluginField& f : fields)
    AddMetaField(q, f.Name, f.Value, f.DataType, false, f.Confidence, f.Zone, f.Page);
}

// Every slot, active or not: a removed blob has neither file nor data, and
// AddQueueBlob refuses it, which fails the run. With Store each file is
// copied into StorePath as Id-1, Id-2, ... and referenced by that name.
void FillBlobs(TDocumentQueueRecord& q, const TkxPluginBlobs& blobs, bool Store,
               const UnicodeString& StorePath) {
  for (const TkxPluginBlob& b : blobs)
    AddQueueBlob(q, b.FileName, b.BlobName, ByteBuffer(), UnicodeString(), UnicodeString(), Store,
                 StorePath, b.DocType, AnsiString(), -1, -1, kxCM_None);
}

// Saves the document under FileName without replacing any file: when the
// name was taken since it was chosen (another export into the same folder),
// the next free name for Wanted is taken instead.
void Publish(TkxQueueTools& tools, TDocumentQueueRecord& q, const UnicodeString& Wanted,
             UnicodeString FileName, bool IncludeOptions) {
  if (NameHook()) NameHook()(FileName);
  UnicodeString last = FileName;
  auto next = [&]() {
    UnicodeString name = FreeName(Wanted);
    // The search counts every entry, so it offers a new name each time;
    // should it not, the save stops instead of trying forever.
    if (name == last) throw Exception(u"streaming to file " + name + u" failed");
    last = name;
    if (NameHook()) NameHook()(name);
    return name;
  };
  if (!tools.SaveDocumentXML(FileName, false, q, IncludeOptions, next)) throw Exception(tools.Message);
}

}  // namespace

void SetExportNameHookForTesting(std::function<void(const UnicodeString& FileName)> Hook) {
  NameHook() = std::move(Hook);
}

bool RunExport(UnicodeString& ErrorText) {
  ErrorText.clear();
  TkxPluginState& s = PluginState();
  if (s.Importfile.empty() && s.ServerName.empty() && s.ExportTarget.empty()) {
    ErrorText = u"empty export destination - processing cancelled";
    return false;
  }
  // A URL needs "HTTP" in exactly this case; a target that is neither a URL
  // nor a file path is ignored.
  const UnicodeString& url =
      s.ExportTarget.starts_with(u"HTTP") ? s.ExportTarget : s.ServerName;
  const UnicodeString& path = IsFileTarget(s.ExportTarget) ? s.ExportTarget : s.Importfile;

  try {
    if (!s.PluginTools) throw Exception(u"no document open (command 100 missing)");
    const TkxPluginTools& handOver = *s.PluginTools;
    TkxQueueTools tools;
    TDocumentQueueRecord q;
    // Gives the record an id, a user and a machine that FillSettings then
    // replaces: the run starts from a fresh record as every export does.
    InitQueueRecord(q);
    // Kept whatever the outcome: the next run without CreateNewDocId reuses it.
    if (s.DocId.empty() || s.CreateNewDocId) s.DocId = TkxTools::CreateId().ToString();

    UnicodeString wanted, fileName;
    if (!path.empty()) {
      // "%docid" first, so that its "%d" is never taken for the day.
      wanted = TkxStrings::ReplaceW(path, u"%docid", ToUtf16(s.DocId), true);
      wanted = TkxStrings::CheckDefaultPlaceHolders(wanted, UnicodeString(), UnicodeString());
      fileName = FreeName(wanted);
    }

    FillSettings(q, s);
    FillTable(q, handOver.Table);
    FillFields(q, handOver.Fields);
    const bool store = s.ByRef && !fileName.empty();
    FillBlobs(q, handOver.Blobs, store,
              store ? kx::platform::ExtractFilePath(fileName) : UnicodeString());

    if (!fileName.empty()) {
      Publish(tools, q, wanted, fileName, s.Include);
    } else if (url.empty()) {
      throw Exception(u"no export destination specified");
    } else if (!tools.UploadDocumentXML(q, url, true, s.DocId, AnsiString())) {
      throw Exception(tools.Message);
    }
  } catch (const Exception& e) {
    ErrorText = u"create document exception (" + e.ClassName() + u" - " + e.Message + u")";
    return false;
  }
  return true;
}

}  // namespace kx::plugin
