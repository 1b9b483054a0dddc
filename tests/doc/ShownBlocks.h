// The fenced blocks of a Markdown page that the documentation shows as commands to type.
//
// The convention of the pages (README.md and doc/*.md):
//   ```sh          a shell command that the documentation test runs, as shown;
//   ```sh not-run  a command shown but not run by the test (it builds or installs the
//                  project, takes minutes, or wants a machine set up otherwise);
//   ```text        output, a file's content or a form of a command with placeholders.
// Every opening fence names its kind, so that no command is left out of the test unseen, and
// fences stand at the start of their line. The README's two commands above its first section
// build the project, which the test runs from; they are not run by it.
#ifndef VELMAR_TESTS_DOC_SHOWNBLOCKS_H
#define VELMAR_TESTS_DOC_SHOWNBLOCKS_H

#include <sstream>
#include <string>
#include <vector>

struct ShownBlock {
    int line = 0;       // line of the opening fence, from 1
    std::string kind;   // the fence's info string: "sh", "sh not-run", "text", ...
    std::string text;   // the lines between the fences
    bool runs() const { return kind == "sh"; }
};

struct ShownPage {
    std::vector<ShownBlock> blocks;
    std::vector<std::string> faults;  // fences that break the convention, with their lines
};

// The blocks of a page; with `buildCommandsFirst` (the README) the blocks above the first
// "## " heading are left out.
inline ShownPage shownBlocks(const std::string& markdown, bool buildCommandsFirst)
{
    ShownPage page;
    std::istringstream in(markdown);
    bool inside = false, sectionSeen = !buildCommandsFirst;
    ShownBlock block;
    int number = 0;
    for (std::string line; std::getline(in, line);) {
        ++number;
        size_t fence = line.find("```");
        if (fence == std::string::npos) {
            if (inside) block.text += line + "\n";
            else if (line.rfind("## ", 0) == 0) sectionSeen = true;
            continue;
        }
        if (fence != 0) {
            if (line.find_first_not_of(" \t") == fence)
                page.faults.push_back("line " + std::to_string(number) + ": an indented fence");
            else if (inside) block.text += line + "\n";
            continue;
        }
        if (inside) {
            if (line != "```")
                page.faults.push_back("line " + std::to_string(number) + ": text after a closing fence");
            if (sectionSeen) page.blocks.push_back(block);
            inside = false;
            continue;
        }
        block = ShownBlock{number, line.substr(3), ""};
        if (block.kind.empty())
            page.faults.push_back("line " + std::to_string(number) +
                                  ": a block that does not say whether it is sh or text");
        inside = true;
    }
    if (inside) page.faults.push_back("line " + std::to_string(block.line) + ": a block never closed");
    return page;
}

#endif
