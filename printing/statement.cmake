# The statement page, its filling and the print command.
target_sources(mirola_printing PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/SupplierParticulars.h
  ${CMAKE_CURRENT_LIST_DIR}/StatementLayout.cpp ${CMAKE_CURRENT_LIST_DIR}/StatementLayout.h
  ${CMAKE_CURRENT_LIST_DIR}/TFmirolareport.cpp ${CMAKE_CURRENT_LIST_DIR}/TFmirolareport.h
  ${CMAKE_CURRENT_LIST_DIR}/StatementFill.cpp ${CMAKE_CURRENT_LIST_DIR}/StatementFill.h
)
target_sources(mirola_printing PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/PrintCommand.cpp ${CMAKE_CURRENT_LIST_DIR}/PrintCommand.h)
