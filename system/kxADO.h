// system/kxADO.h — TkxADODataSet: the toolkit's data set, the database
// layer's data set with nothing added (platform/db/DataSet.h).
//
// The configuration store keeps one for all its queries; the log writer
// opens one on its own connection without a command time-out and appends a
// row with InsertRow:
//   auto c = kx::platform::db::Connection::Open(cs, TkxVanto::GetConfigPath(), {15, 0});
//   TkxADODataSet log(*c, u"SELECT * FROM kx_log WHERE DOCID IS NULL");
//   log.Open();
//   kx::platform::db::InsertRow(*c, u"kx_log", {{u"MESSAGE", Variant::FromOleStr(text)}});
#pragma once

#include "platform/db/DataSet.h"

class TkxADODataSet : public kx::platform::db::DataSet {
 public:
  using kx::platform::db::DataSet::DataSet;
};
