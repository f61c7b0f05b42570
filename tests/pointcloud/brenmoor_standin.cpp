// Stands in for the point cloud editor in the edit dialog's tests. Appends one line to the file
// named by BRENMOOR_STANDIN_RECORD: the number of arguments, then each argument after a tab.
// With BRENMOOR_STANDIN_CRASH set it aborts afterwards.
#include <cstdio>
#include <cstdlib>

int main(int argc, char** argv)
{
    if (const char* record = std::getenv("BRENMOOR_STANDIN_RECORD")) {
        if (std::FILE* file = std::fopen(record, "ab")) {
            std::fprintf(file, "%d", argc - 1);
            for (int i = 1; i < argc; ++i)
                std::fprintf(file, "\t%s", argv[i]);
            std::fprintf(file, "\n");
            std::fclose(file);
        }
    }
    if (std::getenv("BRENMOOR_STANDIN_CRASH"))
        std::abort();
    return 0;
}
