// Carries the project's version note and nothing else, for the note reader's
// tests in a build without the shipped programs.
int main()
{
    return 0;
}
