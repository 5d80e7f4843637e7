// Reads an exported presentation through Apache POI's package layer (OPCPackage: parts and
// relationships) and prints what a show would play: one line per slide, in the presentation's
// slide order, with its automatic advance, effect and speed; then the show's loop and timing
// flags. The typed slide classes are not used: Debian ships POI without its compiled schemas.
// Run: java -cp POI-JARS ShowTimings.java DECK.pptx

import java.io.InputStream;
import javax.xml.parsers.DocumentBuilderFactory;
import org.apache.poi.openxml4j.opc.OPCPackage;
import org.apache.poi.openxml4j.opc.PackageAccess;
import org.apache.poi.openxml4j.opc.PackagePart;
import org.apache.poi.openxml4j.opc.PackageRelationship;
import org.apache.poi.openxml4j.opc.PackagingURIHelper;
import org.w3c.dom.Document;
import org.w3c.dom.Element;
import org.w3c.dom.NodeList;

public class ShowTimings {
    static final String P = "http://schemas.openxmlformats.org/presentationml/2006/main";
    static final String R = "http://schemas.openxmlformats.org/officeDocument/2006/relationships";

    static Document parse(PackagePart part) throws Exception {
        DocumentBuilderFactory factory = DocumentBuilderFactory.newInstance();
        factory.setNamespaceAware(true);
        try (InputStream in = part.getInputStream()) {
            return factory.newDocumentBuilder().parse(in);
        }
    }

    static PackagePart target(OPCPackage pkg, PackagePart from, PackageRelationship rel)
            throws Exception {
        return pkg.getPart(PackagingURIHelper.createPartName(
                PackagingURIHelper.resolvePartUri(from.getPartName().getURI(), rel.getTargetURI())));
    }

    static String attribute(Element e, String name, String absent) {
        return e.hasAttribute(name) ? e.getAttribute(name) : absent;
    }

    public static void main(String[] args) throws Exception {
        try (OPCPackage pkg = OPCPackage.open(args[0], PackageAccess.READ)) {
            PackageRelationship main = pkg.getRelationshipsByType(R + "/officeDocument").getRelationship(0);
            PackagePart presentation = pkg.getPart(main);
            NodeList ids = parse(presentation).getElementsByTagNameNS(P, "sldId");
            for (int i = 0; i < ids.getLength(); ++i) {
                String id = ((Element) ids.item(i)).getAttributeNS(R, "id");
                PackagePart slide = target(pkg, presentation, presentation.getRelationship(id));
                NodeList found = parse(slide).getElementsByTagNameNS(P, "transition");
                if (found.getLength() == 0) {
                    System.out.println((i + 1) + " manual none");
                    continue;
                }
                Element t = (Element) found.item(0);
                String advance = t.hasAttribute("advTm") ? t.getAttribute("advTm") + "ms" : "manual";
                Element effect = null;
                for (var n = t.getFirstChild(); n != null; n = n.getNextSibling())
                    if (n instanceof Element) effect = (Element) n;
                System.out.println((i + 1) + " " + advance + " "
                        + (effect == null ? "none" : effect.getLocalName()) + " "
                        + attribute(t, "spd", "fast"));
            }
            PackagePart props = target(pkg, presentation,
                    presentation.getRelationshipsByType(R + "/presProps").getRelationship(0));
            NodeList show = parse(props).getElementsByTagNameNS(P, "showPr");
            if (show.getLength() == 0) {
                System.out.println("show default");
            } else {
                Element s = (Element) show.item(0);
                System.out.println("show loop=" + attribute(s, "loop", "0")
                        + " useTimings=" + attribute(s, "useTimings", "1"));
            }
        }
    }
}
