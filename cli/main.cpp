#include <cli/CliProgram.h>

int main(int argc, char** argv)
{
    return QuelvaneCli::CliProgram::Main(argc, argv);
}
