/* A DLL that exists only to carry a version resource. */
__declspec(dllexport) int PeltoTestDll(void)
{
    return 1;
}
