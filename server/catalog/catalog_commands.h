// The catalog tool's commands (see catalog_tool_main_posix.cpp for their forms).
#pragma once

int run_catalog_tool(int argc, char** argv);
