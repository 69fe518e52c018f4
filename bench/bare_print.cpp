// The floor for a whole kaskad-cli run: a C++ program that only copies a file
// (the run's expected output) to standard output.
#include <fstream>
#include <iostream>

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::cerr << "usage: kaskad_bare_print FILE\n";
        return 2;
    }
    std::ifstream in(argv[1], std::ios::binary);
    std::cout << in.rdbuf();
    return in && std::cout ? 0 : 1;
}
