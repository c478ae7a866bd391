// A stand-in for the print service's library (built as libcups.so.2) that has none of its
// functions: what the program finds where a broken or foreign copy comes first on the path.
extern "C" int salvenorPrintLibraryStandIn()
{
    return 0;
}
