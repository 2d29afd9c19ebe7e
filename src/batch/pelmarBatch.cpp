// pelmar-batch: loads a document, runs actions on it, saves it.
#include <iostream>

#include "batch/batchActions.h"

int main(int argc, char** argv) {
    std::ios::sync_with_stdio(false);
    std::vector<std::string> args(argv + 1, argv + argc);
    return RunBatch(args, std::cout, std::cerr);
}
