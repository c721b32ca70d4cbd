# The command-line tests run the built korvane-cli.
add_dependencies(test_cli korvane-cli)
target_compile_definitions(test_cli PRIVATE KORVANE_CLI_PATH="$<TARGET_FILE:korvane-cli>")
