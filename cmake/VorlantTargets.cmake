# Static libraries of the src/ folders, in two layers: the core may use QtCore
# only; the window side adds QtGui and QtWidgets and links its core.

function(vorlant_folder_sources out)
  file(GLOB srcs CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp ${CMAKE_CURRENT_SOURCE_DIR}/*.h
       ${CMAKE_CURRENT_SOURCE_DIR}/*.ui)
  list(FILTER srcs EXCLUDE REGEX "/main\\.cpp$")
  set(${out} ${srcs} PARENT_SCOPE)
endfunction()

# vorlant_core_library(NAME DEPS...): every source of the calling folder, QtCore only.
function(vorlant_core_library name)
  vorlant_folder_sources(srcs)
  add_library(${name} STATIC ${srcs})
  target_include_directories(${name} PUBLIC ${CMAKE_SOURCE_DIR}/src)
  target_link_libraries(${name} PUBLIC Qt6::Core ${ARGN})
endfunction()

# vorlant_window_library(NAME DEPS...): every source of the calling folder, window code.
function(vorlant_window_library name)
  vorlant_folder_sources(srcs)
  add_library(${name} STATIC ${srcs})
  target_include_directories(${name} PUBLIC ${CMAKE_SOURCE_DIR}/src)
  target_link_libraries(${name} PUBLIC Qt6::Core Qt6::Gui Qt6::Widgets ${ARGN})
endfunction()

# vorlant_layered_library(CORE name UNITS unit... [CORE_LINKS dep...]
#                         WINDOW name [WINDOW_LINKS dep...])
# A folder with both layers. The core library holds the named units (unit.cpp
# and unit.h, whichever exist) and may use QtCore only, so a Widgets include
# there fails to compile; the window library holds every other source of the
# folder and links the core. Tests of rules link the core alone.
function(vorlant_layered_library)
  cmake_parse_arguments(arg "" "CORE;WINDOW" "UNITS;CORE_LINKS;WINDOW_LINKS" ${ARGN})
  vorlant_folder_sources(all)
  set(core_srcs)
  foreach(unit ${arg_UNITS})
    set(found FALSE)
    foreach(ext cpp h)
      set(file ${CMAKE_CURRENT_SOURCE_DIR}/${unit}.${ext})
      if(EXISTS ${file})
        list(APPEND core_srcs ${file})
        set(found TRUE)
      endif()
    endforeach()
    if(NOT found)
      message(FATAL_ERROR "${arg_CORE}: no ${unit}.cpp or ${unit}.h")
    endif()
  endforeach()
  set(window_srcs ${all})
  if(core_srcs)
    list(REMOVE_ITEM window_srcs ${core_srcs})
  endif()

  if(core_srcs)
    add_library(${arg_CORE} STATIC ${core_srcs})
    target_include_directories(${arg_CORE} PUBLIC ${CMAKE_SOURCE_DIR}/src)
    target_link_libraries(${arg_CORE} PUBLIC Qt6::Core ${arg_CORE_LINKS})
  else()
    add_library(${arg_CORE} INTERFACE)
    target_include_directories(${arg_CORE} INTERFACE ${CMAKE_SOURCE_DIR}/src)
    target_link_libraries(${arg_CORE} INTERFACE Qt6::Core ${arg_CORE_LINKS})
  endif()

  if(window_srcs)
    add_library(${arg_WINDOW} STATIC ${window_srcs})
    target_include_directories(${arg_WINDOW} PUBLIC ${CMAKE_SOURCE_DIR}/src)
    target_link_libraries(${arg_WINDOW} PUBLIC ${arg_CORE} Qt6::Core Qt6::Gui Qt6::Widgets ${arg_WINDOW_LINKS})
  else()
    add_library(${arg_WINDOW} INTERFACE)
    target_link_libraries(${arg_WINDOW} INTERFACE ${arg_CORE} Qt6::Gui Qt6::Widgets ${arg_WINDOW_LINKS})
  endif()
endfunction()

# vorlant_tests(LIBS...): one test program per tst_*.cpp in the calling folder,
# each linked with LIBS and QtTest, registered with CTest under folder_name.
# Shared helpers of the folder (*.cpp not starting with tst_) form one library that every program links.
function(vorlant_tests)
  file(GLOB tests CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/tst_*.cpp)
  file(GLOB helpers CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp ${CMAKE_CURRENT_SOURCE_DIR}/*.h)
  list(FILTER helpers EXCLUDE REGEX "/tst_[^/]*\\.cpp$")
  get_filename_component(folder ${CMAKE_CURRENT_SOURCE_DIR} NAME)
  # The helpers are compiled once for the folder, not once per program.
  set(helper_lib)
  if(helpers)
    set(helper_lib ${folder}_test_helpers)
    add_library(${helper_lib} STATIC ${helpers})
    target_include_directories(${helper_lib} PUBLIC ${CMAKE_SOURCE_DIR}/src ${CMAKE_CURRENT_SOURCE_DIR})
    target_link_libraries(${helper_lib} PUBLIC ${ARGN} Qt6::Test)
  endif()
  foreach(test ${tests})
    get_filename_component(base ${test} NAME_WE)
    set(target ${folder}_${base})
    add_executable(${target} ${test})
    target_include_directories(${target} PRIVATE ${CMAKE_SOURCE_DIR}/src ${CMAKE_CURRENT_SOURCE_DIR})
    target_link_libraries(${target} PRIVATE ${helper_lib} ${ARGN} Qt6::Test)
    add_test(NAME ${target} COMMAND ${target})
    set_tests_properties(${target} PROPERTIES
      ENVIRONMENT "QT_QPA_PLATFORM=offscreen;VORLANT_SOURCE_DIR=${CMAKE_SOURCE_DIR}"
      TIMEOUT 120)
  endforeach()
endfunction()
