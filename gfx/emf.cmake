# The metafile side of the drawing layer: EmfCanvas records a Canvas into an enhanced metafile
# with libUEMF, EmfPlayer plays one back onto any Canvas. libUEMF ships no pkg-config file.
find_path(UEMF_INCLUDE_DIR uemf.h REQUIRED)
find_library(UEMF_LIBRARY uemf REQUIRED)
if(NOT TARGET Uemf::uemf)
  add_library(Uemf::uemf UNKNOWN IMPORTED)
  set_target_properties(Uemf::uemf PROPERTIES
    IMPORTED_LOCATION ${UEMF_LIBRARY}
    INTERFACE_INCLUDE_DIRECTORIES ${UEMF_INCLUDE_DIR})
endif()
target_sources(mirola_gfx PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/EmfReader.cpp ${CMAKE_CURRENT_LIST_DIR}/EmfReader.h
  ${CMAKE_CURRENT_LIST_DIR}/EmfCanvas.cpp ${CMAKE_CURRENT_LIST_DIR}/EmfCanvas.h
  ${CMAKE_CURRENT_LIST_DIR}/EmfPlayer.cpp ${CMAKE_CURRENT_LIST_DIR}/EmfPlayer.h
)
target_link_libraries(mirola_gfx PUBLIC Uemf::uemf)
