#ifndef TESTS_SUPPORT_JPGISFIXTURE_H
#define TESTS_SUPPORT_JPGISFIXTURE_H

#include <string>
#include <vector>

namespace jpgisfixture {

// A JPGIS elevation grid document: the corner cells as coordinate values ("column row" of the
// lower and the upper corner) and the heights in file order ("-9999" for no data).
inline std::string jpgis(const std::vector<std::string>& iCoordinates, const std::vector<std::string>& iHeights)
{
    std::string text = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<Dataset>\n <DEM>\n"
                       "   <jps:westBoundLongitude>135.5</jps:westBoundLongitude>\n"
                       "   <jps:eastBoundLongitude>135.5375</jps:eastBoundLongitude>\n"
                       "   <jps:southBoundLatitude>35.25</jps:southBoundLatitude>\n"
                       "   <jps:northBoundLatitude>35.275</jps:northBoundLatitude>\n";
    for (const std::string& c : iCoordinates)
        text += "    <jps:coordValues>" + c + "</jps:coordValues>\n";
    for (const std::string& h : iHeights)
        text += "<alti>" + h + "</alti>\n";
    return text + " </DEM>\n</Dataset>\n";
}

} // namespace jpgisfixture

#endif
