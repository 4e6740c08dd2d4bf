# The texts the main window shows as it opens, every text and title in ui/form1.ui,
# read when configuring into form1_captions.h for the bare text window; an edit of
# the .ui file configures again.
set(form1_ui "${PROJECT_SOURCE_DIR}/ui/form1.ui")
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS "${form1_ui}")
file(READ "${form1_ui}" form1_xml)
string(ASCII 31 list_safe_semicolon)
string(REPLACE ";" "${list_safe_semicolon}" form1_xml "${form1_xml}")
string(REGEX MATCHALL "<property name=\"(text|title)\">[ \t\r\n]*<string[^>]*>[^<]*</string>" form1_texts
       "${form1_xml}")
set(form1_captions "")
foreach(text IN LISTS form1_texts)
    string(REGEX REPLACE ".*<string[^>]*>([^<]*)</string>" "\\1" text "${text}")
    string(REPLACE "${list_safe_semicolon}" ";" text "${text}")
    string(REPLACE "&lt;" "<" text "${text}")
    string(REPLACE "&gt;" ">" text "${text}")
    string(REPLACE "&quot;" "\"" text "${text}")
    string(REPLACE "&apos;" "'" text "${text}")
    string(REPLACE "&amp;" "&" text "${text}")
    string(REPLACE "\\" "\\\\" text "${text}")
    string(REPLACE "\"" "\\\"" text "${text}")
    string(REPLACE "\n" "\\n" text "${text}")
    string(APPEND form1_captions "    \"${text}\",\n")
endforeach()
file(CONFIGURE OUTPUT "${CMAKE_CURRENT_BINARY_DIR}/form1_captions.h" CONTENT [[
#pragma once
// Made from ui/form1.ui by bench/form1_captions.cmake: every text and title, in UTF-8.
namespace quorvane::bench {
inline constexpr const char* form1Captions[] = {
@form1_captions@};
} // namespace quorvane::bench
]] @ONLY)
