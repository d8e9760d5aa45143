# vorlant_core_library(NAME DEPS...): a static library of every .cpp/.h in the
# calling folder that may use QtCore only (the computing layer).
function(vorlant_core_library name)
  file(GLOB srcs CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp ${CMAKE_CURRENT_SOURCE_DIR}/*.h)
  add_library(${name} STATIC ${srcs})
  target_include_directories(${name} PUBLIC ${CMAKE_SOURCE_DIR}/src)
  target_link_libraries(${name} PUBLIC Qt6::Core ${ARGN})
endfunction()

# vorlant_window_library(NAME DEPS...): the same for folders of window code.
function(vorlant_window_library name)
  file(GLOB srcs CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp ${CMAKE_CURRENT_SOURCE_DIR}/*.h
       ${CMAKE_CURRENT_SOURCE_DIR}/*.ui)
  list(FILTER srcs EXCLUDE REGEX "/main\\.cpp$")
  add_library(${name} STATIC ${srcs})
  target_include_directories(${name} PUBLIC ${CMAKE_SOURCE_DIR}/src)
  target_link_libraries(${name} PUBLIC Qt6::Core Qt6::Gui Qt6::Widgets ${ARGN})
endfunction()

# vorlant_tests(LIBS...): one test program per tst_*.cpp in the calling folder,
# each linked with LIBS and QtTest, registered with CTest under folder_name.
# Shared helpers of the folder (*.cpp not starting with tst_) go into every program.
function(vorlant_tests)
  file(GLOB tests CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/tst_*.cpp)
  file(GLOB helpers CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp ${CMAKE_CURRENT_SOURCE_DIR}/*.h)
  list(FILTER helpers EXCLUDE REGEX "/tst_[^/]*\\.cpp$")
  get_filename_component(folder ${CMAKE_CURRENT_SOURCE_DIR} NAME)
  foreach(test ${tests})
    get_filename_component(base ${test} NAME_WE)
    set(target ${folder}_${base})
    add_executable(${target} ${test} ${helpers})
    target_include_directories(${target} PRIVATE ${CMAKE_SOURCE_DIR}/src ${CMAKE_CURRENT_SOURCE_DIR})
    target_link_libraries(${target} PRIVATE ${ARGN} Qt6::Test)
    add_test(NAME ${target} COMMAND ${target})
    set_tests_properties(${target} PROPERTIES
      ENVIRONMENT "QT_QPA_PLATFORM=offscreen;VORLANT_SOURCE_DIR=${CMAKE_SOURCE_DIR}"
      TIMEOUT 120)
  endforeach()
endfunction()
