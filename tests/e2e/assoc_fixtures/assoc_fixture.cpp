// A program that only exists to be named by a shell association; its version block is what matters.
int main()
{
    return 0;
}
