// A shared library whose only use is its version note, or its lack of one.
extern "C" int kinetraInstallerTestLibrary()
{
    return 1;
}
