// The search of the lookup page. The store answers exactly this statement from its search index
// (searchindex.h) with the rows SQLite would give; any other statement runs on SQLite.
#pragma once

namespace store {

inline constexpr char16_t kSearchStatement[] =
    u"select question as 问题,answer as 答案 from cv where pinyin like '%' || ? || '%' or "
    u"question like '%' || ? || '%'";

} // namespace store
