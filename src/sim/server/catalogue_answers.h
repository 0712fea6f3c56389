// The stand-in server's answers: the status documents of AUTH and REGISTER, and the catalogue's answers to
// FILELIST, SEARCH and GETFILE.
#pragma once

#include <string>

#include "sim/server/catalogue.h"

namespace sim {

struct Answer {
    std::string text;                      // the answer document, a status block or an error text
    bool seal = false;                     // an XML document is sealed when the request was
    const CatalogueEntry* file = nullptr;  // a file answer: text is its status block, the file follows
};

// "<zekCom><resp id=.. serverkey=..>STATUS</resp></zekCom>", sealed like every answer document.
Answer statusAnswer(const std::string& id, const std::string& key, const std::string& status);

// The entries of a folder (or, with a pattern, the files found below it), the way back up first.
Answer listAnswer(const Catalogue& catalogue, const std::string& id, const std::string& folderId,
                  const std::string* pattern);

// A file's status block with the file to follow, or a refusal block when there is no such file.
Answer fileAnswer(const Catalogue& catalogue, const std::string& fileId);

// The status block in front of a file answer: "1", CR LF, the size, "||", CR LF.
std::string fileStatusBlock(std::uint64_t size);

}  // namespace sim
