# Fails when a file of the Qt layer converts between the core's strings and Qt's by hand
# instead of through platform/qt/qtConvert.h.
file(GLOB_RECURSE files ${SRC}/*.h ${SRC}/*.cpp)
set(offenders)
foreach(f IN LISTS files)
    if(NOT f MATCHES "/(qt|widgets)/" OR f MATCHES "/qtConvert\\.h$")
        continue()
    endif()
    file(STRINGS ${f} lines REGEX
        "(fromStdString|toStdString|fromStdU16String|toStdU16String|fromUtf16|QString::fromUtf8|decodeName|encodeName|reinterpret_cast<const (QChar|char16_t)\\*>)")
    if(lines)
        list(APPEND offenders "${f}: ${lines}")
    endif()
endforeach()
if(offenders)
    list(JOIN offenders "\n" report)
    message(FATAL_ERROR "Conversions by hand outside qtConvert.h:\n${report}")
endif()
message(STATUS "every conversion goes through qtConvert.h")
