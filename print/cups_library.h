#pragma once

#include <cups/cups.h>

namespace salvenor::print {

// The print service's client library, loaded when it is first needed (the first print), not at
// start: with what it pulls in (TLS, Kerberos, service discovery) it adds about 4 MiB to a
// program that most users start without printing. Qt's print plugin loads the same library once
// the print dialog opens, so both share one copy.
struct CupsLibrary
{
    decltype(&::cupsAddOption) addOption;
    decltype(&::cupsCancelJob2) cancelJob2;
    decltype(&::cupsCopyDestInfo) copyDestInfo;
    decltype(&::cupsCreateJob) createJob;
    decltype(&::cupsEncryption) encryption;
    decltype(&::cupsFinishDocument) finishDocument;
    decltype(&::cupsFreeDestInfo) freeDestInfo;
    decltype(&::cupsFreeDests) freeDests;
    decltype(&::cupsFreeOptions) freeOptions;
    decltype(&::cupsGetDest) getDest;
    decltype(&::cupsGetDests2) getDests2;
    decltype(&::cupsGetFd) getFd;
    decltype(&::cupsGetNamedDest) getNamedDest;
    decltype(&::cupsLastError) lastError;
    decltype(&::cupsLastErrorString) lastErrorString;
    decltype(&::cupsServer) server;
    decltype(&::cupsSetServer) setServer;
    decltype(&::cupsStartDocument) startDocument;
    decltype(&::cupsWriteRequestData) writeRequestData;
    decltype(&::httpClose) close;
    decltype(&::httpConnect2) connect2;
    decltype(&::httpSetTimeout) setTimeout;
    decltype(&::ippPort) port;
};

// The library's functions, loaded on the first call (safe from any thread); null when the library
// or one of its functions cannot be found, which the callers treat as a service that is not there.
const CupsLibrary *cupsLibrary();

} // namespace salvenor::print
