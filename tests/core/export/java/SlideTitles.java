// Prints a .pptx as Apache POI reads it: each slide's title ("slide N title: T") and the
// description of each picture ("slide N picture: NAME | DESCRIPTION").
import java.io.FileInputStream;
import javax.xml.namespace.QName;
import org.apache.poi.xslf.usermodel.*;
import org.apache.xmlbeans.XmlObject;

public class SlideTitles {
    public static void main(String[] args) throws Exception {
        try (XMLSlideShow show = new XMLSlideShow(new FileInputStream(args[0]))) {
            int n = 0;
            for (XSLFSlide slide : show.getSlides()) {
                System.out.println("slide " + ++n + " title: " + slide.getTitle());
                for (XSLFShape shape : slide.getShapes()) {
                    XmlObject[] names = shape.getXmlObject().selectPath(
                        "declare namespace p='http://schemas.openxmlformats.org/presentationml/2006/main' ./p:nvPicPr/p:cNvPr");
                    if (names.length == 1)
                        System.out.println("slide " + n + " picture: " + shape.getShapeName() + " | "
                                           + names[0].newCursor().getAttributeText(new QName("descr")));
                }
            }
        }
    }
}
