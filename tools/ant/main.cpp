// main.cpp: kvistra-ant, the resource library tool; finds the command and
// checks its number of arguments.
#include "commands.h"

#include <cstdio>
#include <cstring>
#include <string>

namespace {

struct Command {
    const char* name;
    const char* usage;    // the arguments, as shown in the help
    const char* summary;  // one line
    int leastArgs;
    int mostArgs;  // -1: no limit
    int (*run)(const Arguments& args);
};

const Command commands[] = {
    {"list", "FILE", "one line per entry (data offset, size, name), then a summary", 1, 1, listCommand},
    {"extract", "FILE NAME [OUT]", "write the data of entry NAME to OUT (default: NAME)", 2, 3,
        extractCommand},
    {"pack", "OUT INPUT...", "make library OUT of the INPUT files, named by their base names", 2, -1,
        packCommand},
    {"picture", "FILE NAME OUT.png", "decode PCX entry NAME as the engine does and write a PNG", 3, 3,
        pictureCommand},
    {"model", "FILE NAME [--frame N]", "print the Scene loaded from .3ds entry NAME as JSON", 2, 4,
        modelCommand},
};

void printHelp(FILE* stream)
{
    std::fprintf(stream,
        "usage: kvistra-ant COMMAND ARGUMENTS...\n\n"
        "Builds and inspects resource library files: a run of entries, each a\n"
        "NUL-terminated name of at most 19 bytes, a 32-bit little-endian size\n"
        "and the data.\n\ncommands:\n");
    for (const Command& command : commands) {
        std::string call = std::string(command.name) + " " + command.usage;
        std::fprintf(stream, "  %-28s %s\n", call.c_str(), command.summary);
    }
    std::fprintf(stream,
        "\nErrors are one line on standard error and a non-zero exit status;\n"
        "list also fails, after listing, on a damaged library.\n");
}

}  // namespace

int fail(const std::string& message)
{
    std::fprintf(stderr, "kvistra-ant: %s\n", message.c_str());
    return 1;
}

std::string printableName(const std::string& name)
{
    std::string shown;
    for (unsigned char c : name) {
        if (c >= 0x20 && c < 0x7F && c != '\\') {
            shown += char(c);
        } else {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\x%02x", c);
            shown += escaped;
        }
    }
    return shown;
}

int main(int argc, char** argv)
{
    if (argc < 2) {
        printHelp(stderr);
        return 2;
    }
    std::string name = argv[1];
    if (name == "--help" || name == "-h" || name == "help") {
        printHelp(stdout);
        return 0;
    }
    for (const Command& command : commands) {
        if (name != command.name)
            continue;
        Arguments args(argv + 2, argv + argc);
        int count = static_cast<int>(args.size());
        if (count < command.leastArgs || (command.mostArgs >= 0 && count > command.mostArgs)) {
            std::fprintf(stderr, "kvistra-ant: usage: kvistra-ant %s %s\n", command.name, command.usage);
            return 2;
        }
        return command.run(args);
    }
    std::fprintf(
        stderr, "kvistra-ant: unknown command \"%s\" (kvistra-ant --help lists them)\n", name.c_str());
    return 2;
}
