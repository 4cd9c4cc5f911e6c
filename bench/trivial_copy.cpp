// The yardstick for the run-once benchmark: a C++ program that reads one file and writes another.
#include <fstream>
#include <iterator>
#include <string>

int main(int argc, char** argv) {
    if (argc < 3) {
        return 2;
    }
    std::ifstream in(argv[1], std::ios::binary);
    const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    std::ofstream(argv[2], std::ios::binary) << bytes;
    return 0;
}
