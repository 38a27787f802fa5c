# cmake -DSOURCE_DIR=<repository> -P cmake/CheckLayers.cmake
#
# Reads every #include of the layered folders and fails on one that breaks
# the layering:
#
#   platform/  <  text/ = system/  <  environment/  <  export/ = config/
#
# - A file includes headers of its own layer and the layers below, never one
#   above. export/ and config/ are one layer, but the export library links
#   no config/: only the plug-in's own entry (export/kxExportLibrary.cpp)
#   includes config/.
# - Every quoted include is rooted at the repository ("platform/rtl/Text.h"),
#   but for the code Qt generates for a test's own object class
#   ("kxStyler_test.moc").
# - tools/, bench/ and fuzz/ sit above every layer: they may use all the
#   toolkits, and nothing in the layers includes them. tests/ (shared test
#   support) is included by tests (*_test.cpp) only.
# - The headers of the third-party libraries are included under platform/
#   only: our layers stand in front of them. Tests (*_test.cpp) may include
#   them as peers and oracles; cpp-httplib and nlohmann-json serve tests only.
#   config/'s visual modules (CONFIG_VISUAL_MODULES, a comma-separated list of
#   regular expressions for their files' base names, from
#   config/CMakeLists.txt) may include Qt.
#
# Files outside the layered folders (tools/, tests/, bench/, fuzz/) are not
# read: they may include what they need.

cmake_minimum_required(VERSION 3.25)

if(NOT SOURCE_DIR)
  message(FATAL_ERROR "CheckLayers: SOURCE_DIR is not set")
endif()

set(_layer_platform 0)
set(_layer_text 1)
set(_layer_system 1)
set(_layer_environment 2)
set(_layer_export 3)
set(_layer_config 3)
set(_layered platform text system environment export config)

# Third-party headers by the start of their include path.
set(_third_party_pattern
  "^(curl/|sqlite3\\.h|sqlite3ext\\.h|libxml/|openssl/|zlib\\.h|zconf\\.h|zip\\.h|zipconf\\.h|pcre2\\.h|unicode/|systemd/|boost/|Qt[A-Za-z]*/|Q[A-Z][A-Za-z]*$|sql\\.h|sqlext\\.h|libstemmer\\.h|httplib\\.h|nlohmann/)")
set(_tests_only_pattern "^(httplib\\.h|nlohmann/)")

# Allowed for now, one line each with the reason:
# - the regular-expression toolkit still calls PCRE2 itself until its engine
#   moves behind platform/regex/.
set(_third_party_allowed "text/kxStrings_RegEx.cpp:pcre2.h")

string(REPLACE "," ";" _visual_modules "${CONFIG_VISUAL_MODULES}")
set(_qt_pattern "^(Qt[A-Za-z]*/|Q[A-Z][A-Za-z]*$)")

set(_faults "")
set(_files_read 0)
foreach(_folder ${_layered})
  if(NOT IS_DIRECTORY "${SOURCE_DIR}/${_folder}")
    continue()
  endif()
  file(GLOB_RECURSE _files RELATIVE "${SOURCE_DIR}"
    "${SOURCE_DIR}/${_folder}/*.h" "${SOURCE_DIR}/${_folder}/*.hpp"
    "${SOURCE_DIR}/${_folder}/*.cpp" "${SOURCE_DIR}/${_folder}/*.cc"
    "${SOURCE_DIR}/${_folder}/*.inc")
  set(_rank ${_layer_${_folder}})
  foreach(_file ${_files})
    math(EXPR _files_read "${_files_read} + 1")
    set(_is_test FALSE)
    set(_visual FALSE)
    foreach(_m ${_visual_modules})
      if(_file MATCHES "^config/(${_m})\\.[a-z]+$")
        set(_visual TRUE)
      endif()
    endforeach()
    if(_file MATCHES "_test\\.(cpp|cc)$")
      set(_is_test TRUE)
    endif()
    file(STRINGS "${SOURCE_DIR}/${_file}" _lines REGEX "^[ \t]*#[ \t]*include")
    foreach(_line ${_lines})
      if(_line MATCHES "^[ \t]*#[ \t]*include[ \t]*\"([^\"]+)\"")
        set(_path "${CMAKE_MATCH_1}")
        if(_is_test AND _path MATCHES "^[A-Za-z_]+\\.moc$")
          continue()  # Qt's generated code for a test's own object class
        endif()
        if(NOT _path MATCHES "^([A-Za-z_]+)/")
          string(APPEND _faults "${_file}: \"${_path}\" is not rooted at the repository\n")
          continue()
        endif()
        set(_top "${CMAKE_MATCH_1}")
        if(_top IN_LIST _layered)
          if(${_layer_${_top}} GREATER _rank)
            string(APPEND _faults "${_file}: \"${_path}\" climbs from ${_folder}/ to ${_top}/\n")
          elseif(_folder STREQUAL "export" AND _top STREQUAL "config"
                 AND NOT _file STREQUAL "export/kxExportLibrary.cpp")
            string(APPEND _faults
              "${_file}: \"${_path}\": only the plug-in's entry includes config/\n")
          endif()
        elseif(_top STREQUAL "tests")
          if(NOT _is_test)
            string(APPEND _faults "${_file}: \"${_path}\": test support outside a test\n")
          endif()
        else()
          string(APPEND _faults "${_file}: \"${_path}\": ${_top}/ is above every layer\n")
        endif()
      elseif(_line MATCHES "^[ \t]*#[ \t]*include[ \t]*<([^>]+)>")
        set(_path "${CMAKE_MATCH_1}")
        if(NOT _path MATCHES "${_third_party_pattern}")
          continue()
        endif()
        if(_path MATCHES "${_tests_only_pattern}")
          if(NOT _is_test)
            string(APPEND _faults "${_file}: <${_path}> serves tests only\n")
          endif()
        elseif(NOT _folder STREQUAL "platform" AND NOT _is_test
               AND NOT "${_file}:${_path}" IN_LIST _third_party_allowed
               AND NOT (_visual AND _path MATCHES "${_qt_pattern}"))
          string(APPEND _faults
            "${_file}: <${_path}> is a third-party header; call it through platform/\n")
        endif()
      endif()
    endforeach()
  endforeach()
endforeach()

if(_files_read EQUAL 0)
  message(FATAL_ERROR "CheckLayers: no sources found below ${SOURCE_DIR}")
endif()
if(_faults)
  message(FATAL_ERROR "Includes that break the layering:\n${_faults}")
endif()
message(STATUS "CheckLayers: ${_files_read} files, every include within its layer")
