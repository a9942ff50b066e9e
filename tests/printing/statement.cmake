# The statement page and its filling, read back from the generated pages.
add_library(mirola_statement_testsupport STATIC
  ${CMAKE_CURRENT_LIST_DIR}/PageTexts.cpp ${CMAKE_CURRENT_LIST_DIR}/PageTexts.h)
target_link_libraries(mirola_statement_testsupport PUBLIC mirola_report_model Qt6::Gui)

mirola_add_test(tst_statementpage SOURCES ${CMAKE_CURRENT_LIST_DIR}/tst_statementpage.cpp
  LIBS mirola_printing mirola_statement_testsupport)
