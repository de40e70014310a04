// The project's documents point at each other and at files of the tree: every
// relative link must name a file that exists.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>
#include <string>

namespace {

namespace fs = std::filesystem;

TEST(Documents, EveryRelativeLinkNamesAFileThatExists) {
    const fs::path root = VELTAR_SOURCE_DIR;
    std::vector<fs::path> documents{root / "README.md"};
    for (const auto& entry : fs::directory_iterator(root / "docs"))
        if (entry.path().extension() == ".md") documents.push_back(entry.path());
    ASSERT_GE(documents.size(), 5u);
    const std::regex link(R"(\]\(([^)#\s]+)(#[^)]*)?\))");
    int relative = 0;
    for (const fs::path& document : documents) {
        std::ifstream in(document);
        std::stringstream text;
        text << in.rdbuf();
        const std::string content = text.str();
        for (auto i = std::sregex_iterator(content.begin(), content.end(), link); i != std::sregex_iterator(); ++i) {
            const std::string target = (*i)[1].str();
            if (target.find("://") != std::string::npos) continue;
            ++relative;
            EXPECT_TRUE(fs::exists(document.parent_path() / target)) << document.filename() << " -> " << target;
        }
    }
    EXPECT_GT(relative, 0);
}

}  // namespace
