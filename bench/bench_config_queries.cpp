// Node and property queries of the configuration store on SQLite, same table
// and engine on both sides:
//   - GetRecursiveChildNodes over a 10,000-node sub-tree (one query per node)
//     against one recursive common table expression of the same nodes;
//   - GetNodeProperties of a node with 1,000 values against one plain SELECT
//     of its rows.
#include <filesystem>
#include <string>

#include "bench/BenchRatio.h"
#include "config/kxConfigManager.h"
#include "config/kxConfigSchema.h"
#include "platform/db/Connection.h"
#include "platform/db/DataSet.h"

namespace {

namespace db = kx::platform::db;
constexpr char16_t kTable[] = u"kx_configuration";
constexpr int kBranches = 100;    // below the root, each with
constexpr int kLeaves = 99;       // this many sub-nodes: 10,000 nodes
constexpr int kValues = 1000;

const std::string& DatabaseFile() {
  static const std::string file = [] {
    const std::string name = kx::bench::ScratchName("bench_config_queries") + ".db";
    std::filesystem::remove(name);
    db::CreateDatabase(ToUtf16(name));
    return name;
  }();
  return file;
}

UnicodeString ConnectionString() { return ToUtf16("Provider=SQLite;Data Source=" + DatabaseFile()); }

Variant Text(const UnicodeString& V) { return Variant::FromOleStr(V); }
UnicodeString Number(int N) { return ToUtf16(std::to_string(N)); }

// The table with "/tree" (10,000 nodes below it) and "/values" (1,000
// values); answers the two node ids.
struct Fixture {
  TIdType Tree, Values;
};

const Fixture& Data() {
  static const Fixture data = [] {
    auto c = db::Connection::Open(ConnectionString(), u"");
    CreateConfigTable(*c, kTable, TST_V2);
    Fixture f;
    {
      TkxConfigManager store(false, ConnectionString(), kTable);
      store.NodeExists(u"/tree", true);
      store.NodeExists(u"/values", true);
      f.Tree = store.GetParentTreeId(u"/tree", false, false);
      f.Values = store.GetParentTreeId(u"/values", false, false);
    }
    db::Transaction t(*c);
    db::Command insert(*c, UnicodeString(u"INSERT INTO ") + kTable +
                               u" (ID, PARENTID, KEYNAME, DATATYPE, KEYVALUE) VALUES (:ID, :P, :N, :T, :V)");
    auto add = [&](const UnicodeString& Id, const UnicodeString& Parent, const UnicodeString& Name,
                   const UnicodeString& Type, const UnicodeString& Value) {
      insert.SetParam(u"ID", Text(Id)).SetParam(u"P", Text(Parent)).SetParam(u"N", Text(Name));
      insert.SetParam(u"T", Text(Type)).SetParam(u"V", Text(Value));
      insert.Execute();
    };
    const UnicodeString tree = ToUtf16(f.Tree.View());
    for (int b = 0; b < kBranches; ++b) {
      const UnicodeString branch = u"B" + Number(b);
      add(branch, tree, u"branch" + Number(b), u"TREE", u"");
      for (int l = 0; l < kLeaves; ++l) add(branch + u"L" + Number(l), branch, u"leaf" + Number(l), u"TREE", u"");
    }
    for (int v = 0; v < kValues; ++v)
      add(u"V" + Number(v), ToUtf16(f.Values.View()), u"value" + Number(v), u"INT", Number(v));
    t.Commit();
    return f;
  }();
  return data;
}

void BM_GetRecursiveChildNodes(benchmark::State& state) {
  Data();
  TkxConfigManager store(false, ConnectionString(), kTable);
  TConfigNodes nodes;
  for (auto _ : state) store.GetRecursiveChildNodes(u"/tree", nodes, true, true, false);
  if (nodes.size() != kBranches * (kLeaves + 1)) state.SkipWithError("wrong number of nodes");
}
BENCHMARK(BM_GetRecursiveChildNodes)->UseRealTime()->Unit(benchmark::kMillisecond);

void BM_RecursiveCte(benchmark::State& state) {
  const TIdType root = Data().Tree;
  auto c = db::Connection::Open(ConnectionString(), u"");
  db::DataSet q(*c, UnicodeString(u"WITH RECURSIVE t(ID, KEYNAME) AS (SELECT ID, KEYNAME FROM ") + kTable +
                        u" WHERE PARENTID = :ROOT AND DATATYPE = 'TREE' UNION ALL SELECT c.ID, c.KEYNAME FROM " +
                        kTable + u" c JOIN t ON c.PARENTID = t.ID WHERE c.DATATYPE = 'TREE') SELECT ID, KEYNAME FROM t");
  q.SetParam(u"ROOT", Text(ToUtf16(root.View())));
  size_t rows = 0;
  for (auto _ : state) {
    q.Open();
    rows = 0;
    for (; !q.Eof(); q.Next()) {
      benchmark::DoNotOptimize(q.Fields(1).AsString());
      ++rows;
    }
    q.Close();
  }
  if (rows != kBranches * (kLeaves + 1)) state.SkipWithError("wrong number of nodes");
}
BENCHMARK(BM_RecursiveCte)->UseRealTime()->Unit(benchmark::kMillisecond);

void BM_GetNodeProperties(benchmark::State& state) {
  Data();
  TkxConfigManager store(false, ConnectionString(), kTable);
  TProperties values;
  for (auto _ : state)
    store.GetNodeProperties(u"/values", values, true, false, false, u"", ' ', false, true, false);
  if (values.size() != kValues) state.SkipWithError("wrong number of values");
}
BENCHMARK(BM_GetNodeProperties)->UseRealTime()->Unit(benchmark::kMillisecond);

void BM_PlainSelect(benchmark::State& state) {
  const TIdType node = Data().Values;
  auto c = db::Connection::Open(ConnectionString(), u"");
  db::DataSet q(*c, UnicodeString(u"SELECT * FROM ") + kTable + u" WHERE PARENTID = :P ORDER BY KEYNAME");
  q.SetParam(u"P", Text(ToUtf16(node.View())));
  for (auto _ : state) {
    q.Open();
    for (; !q.Eof(); q.Next()) benchmark::DoNotOptimize(q.FieldByName(u"KEYVALUE").AsString());
    q.Close();
  }
}
BENCHMARK(BM_PlainSelect)->UseRealTime()->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  const int code = kx::bench::RunWithRatios(
      argc, argv,
      {{"BM_GetRecursiveChildNodes", "BM_RecursiveCte", "one recursive CTE of the same nodes", true},
       {"BM_GetNodeProperties", "BM_PlainSelect", "one plain SELECT of the node's rows", true}});
  std::filesystem::remove(DatabaseFile());
  std::filesystem::remove(DatabaseFile() + "-wal");
  std::filesystem::remove(DatabaseFile() + "-shm");
  return code;
}
