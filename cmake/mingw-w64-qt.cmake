# Cross build for 64-bit Windows with the window: cmake/mingw-w64.cmake plus
# Qt 6 for Windows as scripts/windows-qt builds it, e.g.
#   cmake -S . -B build-win -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-qt.cmake
# T418_QT_PREFIX: that Qt's folder; by default $T418_QT_CACHE, else the
# script's cache folder for the version of this machine's Qt, whose host tools
# (moc, rcc, uic) the Windows build runs.
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64.cmake)

set(QT_HOST_PATH /usr)
execute_process(COMMAND dpkg-architecture -qDEB_HOST_MULTIARCH
                OUTPUT_VARIABLE t418_host_multiarch OUTPUT_STRIP_TRAILING_WHITESPACE)
set(QT_HOST_PATH_CMAKE_DIR /usr/lib/${t418_host_multiarch}/cmake)

if(NOT T418_QT_PREFIX)
  if(DEFINED ENV{T418_QT_CACHE})
    set(t418_qt_default $ENV{T418_QT_CACHE})
  else()
    file(STRINGS ${QT_HOST_PATH_CMAKE_DIR}/Qt6/Qt6ConfigVersionImpl.cmake t418_host_qt
         REGEX "^set\\(PACKAGE_VERSION \"[0-9.]+\"\\)")
    string(REGEX REPLACE ".*\"([0-9.]+)\".*" "\\1" t418_host_qt "${t418_host_qt}")
    set(t418_qt_default $ENV{HOME}/.cache/t418/qt-${t418_host_qt}-mingw)
  endif()
endif()
set(T418_QT_PREFIX "${t418_qt_default}" CACHE PATH "Qt 6 built for Windows (scripts/windows-qt)")
list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES T418_QT_PREFIX)
list(APPEND CMAKE_FIND_ROOT_PATH ${T418_QT_PREFIX})
list(APPEND CMAKE_PREFIX_PATH ${T418_QT_PREFIX})
if(NOT EXISTS ${T418_QT_PREFIX}/lib/cmake/Qt6/Qt6Config.cmake)
  message(FATAL_ERROR "No Qt for Windows in ${T418_QT_PREFIX}: scripts/windows-qt builds it "
                      "(or set T418_QT_PREFIX to where it is)")
endif()
