# Client command lines through the remote command layer.
kteval_add_fuzzer(remote_command_fuzz remote_command_fuzz.cpp kteval_remote)
target_include_directories(remote_command_fuzz PRIVATE ${PROJECT_SOURCE_DIR}/tests/remote)
