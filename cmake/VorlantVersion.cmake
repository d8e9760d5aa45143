# The program's version: read once from the first entry of packaging/changelog.
# Every program, the journal, *IDN?, the window caption and the package take it
# from here (the code through vorlant_version.h, target vorlant_version).
include_guard(GLOBAL)

# The version and its date come from the first entry of packaging/changelog.
function(vorlant_changelog_release changelog version_var date_var)
  file(STRINGS ${changelog} lines)
  list(GET lines 0 head)
  if(NOT head MATCHES "^vorlant \\(([^)]+)\\)")
    message(FATAL_ERROR "${changelog}: the first line names no version")
  endif()
  set(version ${CMAKE_MATCH_1})
  # The version goes into a C string literal and a package name as it is.
  if(NOT version MATCHES "^[0-9][0-9A-Za-z.+~:-]*$")
    message(FATAL_ERROR "${changelog}: \"${version}\" is no version")
  endif()
  set(${version_var} ${version} PARENT_SCOPE)
  foreach(line IN LISTS lines)
    # " -- Name <address>  Thu, 10 Dec 2026 12:00:00 +0000"
    if(line MATCHES "^ -- .*  [A-Z][a-z][a-z], ([0-9]+) ([A-Z][a-z][a-z]) ([0-9]+) ")
      set(day ${CMAKE_MATCH_1})
      set(year ${CMAKE_MATCH_3})
      set(months Jan Feb Mar Apr May Jun Jul Aug Sep Oct Nov Dec)
      list(FIND months ${CMAKE_MATCH_2} month)
      if(month LESS 0)
        message(FATAL_ERROR "${changelog}: no month ${CMAKE_MATCH_2}")
      endif()
      math(EXPR month "${month} + 1")
      if(month LESS 10)
        set(month 0${month})
      endif()
      string(LENGTH "${day}" digits)
      if(digits EQUAL 1)
        set(day 0${day})
      endif()
      set(${date_var} ${year}-${month}-${day} PARENT_SCOPE)
      return()
    endif()
  endforeach()
  message(FATAL_ERROR "${changelog}: the first entry has no date line")
endfunction()
vorlant_changelog_release(${CMAKE_SOURCE_DIR}/packaging/changelog VORLANT_VERSION VORLANT_RELEASE_DATE)
# Configure again when the changelog moves on.
set_property(DIRECTORY ${CMAKE_SOURCE_DIR} APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS
             ${CMAKE_SOURCE_DIR}/packaging/changelog)

set(vorlant_version_dir ${CMAKE_BINARY_DIR}/generated/version)
configure_file(${CMAKE_SOURCE_DIR}/src/version/vorlant_version.h.in ${vorlant_version_dir}/vorlant_version.h @ONLY)
add_library(vorlant_version INTERFACE)
target_include_directories(vorlant_version INTERFACE ${vorlant_version_dir} ${CMAKE_SOURCE_DIR}/src)
