// Prints what a second reader of presentations finds in a .pptx: per slide, its title as the
// title placeholder gives it and the description (alt text) of each picture, one line each:
//   slide 1 title: <title, or nothing>
//   slide 1 picture: <shape name> | <description>
import java.io.FileInputStream;
import org.apache.poi.xslf.usermodel.XMLSlideShow;
import org.apache.poi.xslf.usermodel.XSLFPictureShape;
import org.apache.poi.xslf.usermodel.XSLFShape;
import org.apache.poi.xslf.usermodel.XSLFSlide;
import javax.xml.namespace.QName;
import org.apache.xmlbeans.XmlCursor;
import org.apache.xmlbeans.XmlObject;

public class SlideTitlesAndAltTexts {
    public static void main(String[] args) throws Exception {
        try (FileInputStream in = new FileInputStream(args[0]);
             XMLSlideShow show = new XMLSlideShow(in)) {
            int n = 0;
            for (XSLFSlide slide : show.getSlides()) {
                ++n;
                String title = slide.getTitle();
                System.out.println("slide " + n + " title: " + (title == null ? "" : title));
                for (XSLFShape shape : slide.getShapes()) {
                    if (!(shape instanceof XSLFPictureShape))
                        continue;
                    XmlObject[] found = shape.getXmlObject().selectPath(
                        "declare namespace p='http://schemas.openxmlformats.org/presentationml/2006/main' "
                        + "./p:nvPicPr/p:cNvPr");
                    String description = null;
                    if (found.length == 1) {
                        XmlCursor cursor = found[0].newCursor();
                        description = cursor.getAttributeText(new QName("descr"));
                        cursor.dispose();
                    }
                    System.out.println("slide " + n + " picture: " + shape.getShapeName() + " | "
                                       + (description == null ? "(none)" : description));
                }
            }
        }
    }
}
