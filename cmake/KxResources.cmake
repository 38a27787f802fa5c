# kx_add_resources(<target> [<type> <name> <file>]...)
#
# Makes the object library <target> holding the module's resource table
# (platform/resources/Resources.h): each file's bytes under its type and
# name. Link the object library into the module itself (the plug-in, a test
# program): a static library would let the linker drop the table, since
# nothing refers to it by name. A module links at most one table; without
# entries it is an empty table. The source is written at build time, so a
# changed file is picked up.
set(_KX_RESOURCES_SCRIPT ${CMAKE_CURRENT_LIST_FILE})

function(kx_add_resources target)
  set(entries ${ARGN})
  list(LENGTH entries count)
  math(EXPR rest "${count} % 3")
  if(NOT rest EQUAL 0)
    message(FATAL_ERROR "kx_add_resources(${target}): entries come as <type> <name> <file>")
  endif()
  set(files)
  set(entry_lines)
  while(entries)
    list(POP_FRONT entries type name file)
    get_filename_component(file ${file} ABSOLUTE)
    if(type MATCHES "[|\"\\\\]" OR name MATCHES "[|\"\\\\]")
      message(FATAL_ERROR "kx_add_resources(${target}): ${type}/${name}: no | \" or \\ in names")
    endif()
    list(APPEND files ${file})
    string(APPEND entry_lines "${type}|${name}|${file}\n")
  endwhile()
  set(list_file ${CMAKE_CURRENT_BINARY_DIR}/${target}.resources)
  file(WRITE ${list_file}.new "${entry_lines}")
  configure_file(${list_file}.new ${list_file} COPYONLY)
  set(source ${CMAKE_CURRENT_BINARY_DIR}/${target}.cpp)
  add_custom_command(OUTPUT ${source}
    COMMAND ${CMAKE_COMMAND} -DLIST=${list_file} -DOUT=${source} -P ${_KX_RESOURCES_SCRIPT}
    DEPENDS ${list_file} ${files} ${_KX_RESOURCES_SCRIPT}
    COMMENT "Writing the resource table ${target}"
    VERBATIM)
  add_library(${target} OBJECT ${source})
endfunction()

# Script mode: writes the table's source from the entry list LIST.
if(CMAKE_SCRIPT_MODE_FILE AND DEFINED LIST AND DEFINED OUT)
  file(STRINGS ${LIST} lines)
  set(code "// Written by the build (cmake/KxResources.cmake); do not edit.\n")
  string(APPEND code "#include \"platform/resources/Resources.h\"\n\nnamespace {\n")
  set(table "")
  set(index 0)
  foreach(line ${lines})
    string(REPLACE "|" ";" parts "${line}")
    list(GET parts 0 type)
    list(GET parts 1 name)
    list(GET parts 2 file)
    file(READ ${file} hex HEX)
    string(LENGTH "${hex}" digits)
    math(EXPR size "${digits} / 2")
    string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," bytes "${hex}")
    string(REGEX REPLACE "((0x..,){24})" "\\1\n" bytes "${bytes}")
    # One byte more than the file, so that an empty file is a valid array.
    string(APPEND code "const unsigned char r${index}[] = {\n${bytes}0};\n")
    string(APPEND table "    {\"${type}\", \"${name}\", r${index}, ${size}},\n")
    math(EXPR index "${index} + 1")
  endforeach()
  if(index EQUAL 0)
    string(APPEND code "const kx::platform::ResourceEntry entries[1] = {{\"\", \"\", nullptr, 0}};\n")
  else()
    string(APPEND code "const kx::platform::ResourceEntry entries[] = {\n${table}};\n")
  endif()
  string(APPEND code "}  // namespace\n\nnamespace kx::platform {\n")
  string(APPEND code "extern const ResourceTable kxModuleResources;\n")
  string(APPEND code "const ResourceTable kxModuleResources = {entries, ${index}};\n")
  string(APPEND code "}  // namespace kx::platform\n")
  file(WRITE ${OUT}.new "${code}")
  file(RENAME ${OUT}.new ${OUT})
endif()
