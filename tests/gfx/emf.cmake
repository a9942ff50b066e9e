# Metafile tests. emf2svg is an independent reader that checks our pictures are valid EMF.
find_library(EMF2SVG_LIBRARY emf2svg REQUIRED)
mirola_add_test(tst_emfcanvas SOURCES ${CMAKE_CURRENT_LIST_DIR}/tst_emfcanvas.cpp
  LIBS mirola_gfx ${EMF2SVG_LIBRARY})
mirola_add_test(tst_emfplayer SOURCES ${CMAKE_CURRENT_LIST_DIR}/tst_emfplayer.cpp
  LIBS mirola_gfx)
