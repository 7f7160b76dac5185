// korvax-bench: the instrument bench.
#include "shell/shell.h"

int main(int argc, char **argv)
{
    return Bench_Main(argc, argv);
}
