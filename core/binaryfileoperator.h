#ifndef CORE_BINARYFILEOPERATOR_H
#define CORE_BINARYFILEOPERATOR_H

#include <istream>
#include <vector>

// Reads fixed-size raw records (Point, Triangle) at listed record numbers.
class BinaryFileOperator
{
public:
    // Takes the current read position as the base and reads record indices[k] into out[k]
    // for k below the shorter of the two lists. Records not read keep their values.
    // Returns false when a record could not be read whole.
    template <typename T>
    static bool read(std::istream& iStream, std::vector<T>& oOut, const std::vector<unsigned>& iIndices);

    // The same, returning at once (true) when a non-null stop flag is set before a record.
    template <typename T>
    static bool read(std::istream& iStream, std::vector<T>& oOut, const std::vector<unsigned>& iIndices,
                     bool volatile* iStop);
};

#endif
