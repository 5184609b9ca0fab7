# Precompiled headers (KORVEL_PCH, on under clang): Qt's and the test frameworks' headers are parsed
# once per tree instead of once per source, where parsing them takes about half of a sanitized source's
# compile time. Three host targets precompile them with Qt Core's definitions only; a header
# precompiled with fewer definitions than the source that includes it is still used, so every target
# reuses the host of its kind: tests, targets that reach Qt Widgets, the rest. A source that lacks an
# #include of its own compiles in such a tree; the plain gcc build, without them, finds it.
set(KORVEL_PCH_CORE
  <QByteArray> <QCoreApplication> <QDateTime> <QDir> <QFile> <QHash> <QList> <QLocale> <QObject>
  <QSet> <QString> <QStringList> <QStringView> <QTimer>
  <algorithm> <array> <cmath> <functional> <memory> <optional> <utility> <vector>)
set(KORVEL_PCH_WIDGETS ${KORVEL_PCH_CORE}
  <QApplication> <QCheckBox> <QComboBox> <QGridLayout> <QGroupBox> <QHBoxLayout> <QLabel> <QLineEdit>
  <QPainter> <QPushButton> <QVBoxLayout> <QWidget>)
set(KORVEL_PCH_TESTS ${KORVEL_PCH_WIDGETS} <QTemporaryDir> <gtest/gtest.h>)

# clang stamps a precompiled header with its time unless told not to, and ccache then never reuses it.
if(KORVEL_PCH AND CMAKE_CXX_COMPILER_ID STREQUAL "Clang")
  add_compile_options("SHELL:-Xclang -fno-pch-timestamp")
endif()

function(korvel_pch_host name)
  add_library(${name} OBJECT ${CMAKE_SOURCE_DIR}/cmake/pch/Empty.cpp)
  set_target_properties(${name} PROPERTIES AUTOMOC OFF)
  target_link_libraries(${name} PRIVATE Qt6::Core korvel_common_cfg ${ARGN})
  # Qt Widgets' headers without its definitions, which a Core target would not have.
  target_include_directories(${name} SYSTEM PRIVATE
    $<TARGET_PROPERTY:Qt6::Widgets,INTERFACE_INCLUDE_DIRECTORIES>)
endfunction()

# TRUE in out when target links a library matching pattern, itself or through the project's libraries.
function(korvel_reaches target pattern out)
  get_target_property(direct ${target} LINK_LIBRARIES)
  get_target_property(iface ${target} INTERFACE_LINK_LIBRARIES)
  foreach(lib IN LISTS direct iface)
    string(REGEX REPLACE "^\\$<LINK_ONLY:(.*)>$" "\\1" lib "${lib}")
    if(lib MATCHES "${pattern}")
      set(${out} TRUE PARENT_SCOPE)
      return()
    endif()
    if(lib MATCHES "^korvel" AND TARGET ${lib})
      korvel_reaches(${lib} "${pattern}" found)
      if(found)
        set(${out} TRUE PARENT_SCOPE)
        return()
      endif()
    endif()
  endforeach()
  set(${out} FALSE PARENT_SCOPE)
endfunction()

function(korvel_pch_targets dir out)
  get_property(targets DIRECTORY ${dir} PROPERTY BUILDSYSTEM_TARGETS)
  get_property(subdirs DIRECTORY ${dir} PROPERTY SUBDIRECTORIES)
  foreach(sub IN LISTS subdirs)
    korvel_pch_targets(${sub} more)
    list(APPEND targets ${more})
  endforeach()
  set(${out} ${targets} PARENT_SCOPE)
endfunction()

# Gives every compiled project target the host of its kind; called once every target exists.
function(korvel_precompile_headers)
  if(NOT KORVEL_PCH)
    return()
  endif()
  korvel_pch_host(korvel_pch_core)
  target_precompile_headers(korvel_pch_core PRIVATE ${KORVEL_PCH_CORE})
  korvel_pch_host(korvel_pch_widgets)
  target_precompile_headers(korvel_pch_widgets PRIVATE ${KORVEL_PCH_WIDGETS})
  korvel_pch_host(korvel_pch_tests GTest::gtest)
  target_precompile_headers(korvel_pch_tests PRIVATE ${KORVEL_PCH_TESTS})
  korvel_pch_targets(${CMAKE_SOURCE_DIR} targets)
  foreach(target IN LISTS targets)
    get_target_property(type ${target} TYPE)
    if(NOT type MATCHES "^(EXECUTABLE|STATIC_LIBRARY|MODULE_LIBRARY|SHARED_LIBRARY)$")
      continue()
    endif()
    # A program without Qt (the horn sound's generator) compiles with other flags than the hosts.
    korvel_reaches(${target} "^Qt6::" qt)
    if(NOT qt)
      continue()
    endif()
    get_target_property(libs ${target} LINK_LIBRARIES)
    korvel_reaches(${target} "^Qt6::Widgets$" widgets)
    if("GTest::gtest" IN_LIST libs)
      set(host korvel_pch_tests)
    elseif(widgets)
      set(host korvel_pch_widgets)
    else()
      set(host korvel_pch_core)
    endif()
    target_precompile_headers(${target} REUSE_FROM ${host})
  endforeach()
endfunction()
