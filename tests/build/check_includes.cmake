# Checks every #include "folder/…" of the product's sources against the dependency graph the
# code is designed to keep: text ← gfx ← grid, button, report ← printing ← viewer ← app;
# exchange needs text only (and no widgets); the server needs text and exchange.
# Run: cmake -DSOURCE_DIR=<repo> -P check_includes.cmake
cmake_minimum_required(VERSION 3.25)

set(allowed_text text)
set(allowed_gfx gfx text)
set(allowed_exchange exchange text)
set(allowed_grid grid gfx text)
set(allowed_button button gfx text)
set(allowed_report report gfx text)
set(allowed_printing printing report gfx text)
set(allowed_viewer viewer printing report grid button exchange gfx text)
set(allowed_server server exchange text)
set(allowed_web web viewer printing report grid button exchange gfx text)
set(allowed_app app web viewer printing report grid button exchange gfx text)
set(allowed_examples examples viewer printing report grid button exchange gfx text)
# Folders whose code runs without a window system.
set(no_widgets text exchange server)
set(widget_headers "QtWidgets|QWidget|QApplication|QDialog|QMessageBox|QMainWindow|QLabel|QLineEdit|QComboBox")

set(violations "")
foreach(folder text gfx exchange grid button report printing viewer server web app examples)
  if(NOT IS_DIRECTORY ${SOURCE_DIR}/${folder})
    continue()
  endif()
  file(GLOB_RECURSE sources RELATIVE ${SOURCE_DIR} ${SOURCE_DIR}/${folder}/*.h
       ${SOURCE_DIR}/${folder}/*.cpp)
  foreach(source ${sources})
    file(STRINGS ${SOURCE_DIR}/${source} includes REGEX "^[ \t]*#[ \t]*include[ \t]*[<\"]")
    foreach(line ${includes})
      if(line MATCHES "#[ \t]*include[ \t]*\"([A-Za-z0-9_]+)/")
        set(used ${CMAKE_MATCH_1})
        if(NOT used IN_LIST allowed_${folder})
          string(APPEND violations "${source}: ${line}: ${folder}/ may not use ${used}/\n")
        endif()
      elseif(folder IN_LIST no_widgets AND line MATCHES "#[ \t]*include[ \t]*<(${widget_headers})")
        string(APPEND violations "${source}: ${line}: ${folder}/ runs without widgets\n")
      endif()
    endforeach()
  endforeach()
endforeach()

if(violations)
  message(FATAL_ERROR "includes that break the dependency graph:\n${violations}")
endif()
message(STATUS "every include keeps the dependency graph")
