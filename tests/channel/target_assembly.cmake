# The target file assembly, driven on the real main window with payloads made by TZlib.
zcn_add_qt_test(target_assembly_tests ${CMAKE_CURRENT_LIST_DIR}/TargetAssemblyTest.cpp)
target_link_libraries(target_assembly_tests PRIVATE compress)
