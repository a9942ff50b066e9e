# The statement page and its filling, read back from the generated pages.
add_library(mirola_statement_testsupport STATIC
  ${CMAKE_CURRENT_LIST_DIR}/PageTexts.cpp ${CMAKE_CURRENT_LIST_DIR}/PageTexts.h
  ${CMAKE_CURRENT_LIST_DIR}/StatementFixture.cpp ${CMAKE_CURRENT_LIST_DIR}/StatementFixture.h)
target_link_libraries(mirola_statement_testsupport PUBLIC mirola_printing mirola_report_model
  Qt6::Gui)

mirola_add_test(tst_statementpage SOURCES ${CMAKE_CURRENT_LIST_DIR}/tst_statementpage.cpp
  LIBS mirola_printing mirola_statement_testsupport)

# The printed page as pictures: figures, two-line cells, digit boxes and lines at every
# resolution, and the PDF.
mirola_add_test(tst_statementpicture SOURCES ${CMAKE_CURRENT_LIST_DIR}/tst_statementpicture.cpp
  LIBS mirola_printing mirola_statement_testsupport mirola_pdf_testsupport
  mirola_print_testsupport TIMEOUT 600)
mirola_print_server_test(tst_statementpicture)
