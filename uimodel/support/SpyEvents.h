#pragma once
// The usage-report calls. The program reports nothing: each call does nothing, and exists so
// that the job code marks its fixed points with the event numbers below.
//
//   4098 quick / 4099 deep scan ended (counter)           4104 category mask as "0"/"1" text
//   4105 number of disks, 4106 each disk's name and count  4107 "disk%d-%d-%@-%lld" at scan start
//   4108, 4127, 4110 quick scan: seconds, files, bytes     4111, 4113, 4128, 4114 deep scan: "1",
//   seconds, files, bytes                                  4109 / 4112 stop of a quick / deep scan
//   4125 search text                                       4123, 4116, 4118, 4119, 4152, 4117, 4124
//   recovery: key and seconds, total size, deep flag, view type, result, bytes, count
//
// The plug-in loader and the participation switch that would load outside code are not built.
#include <string>

namespace uimodel::spy {

inline void SpyIDInstall() {}
inline void SpyIDEnd() {}
inline void SpyIDIncreateTable1(int) {}
inline void SpyIDIncreateTable2(int, int) {}
inline void SpyIDStringTable1(int, std::string const&) {}
inline void SpyIDWStringTable1(int, std::string const&) {}
inline void SpyIDStringTable2(int, std::string const&) {}
inline void SpyIDSaveToServerTable() {}

}  // namespace uimodel::spy
